-- The pay desk sums a day by product from the items and by cashier from the totals the
-- documents keep. These indexes hold every column those sums read, so a day is read from
-- the indexes alone, without visiting the rows: the documents by time with their cashier
-- and total, the items by document with their product, amounts and tax. Safe to run again.

CREATE INDEX IF NOT EXISTS parkingdocument_datetime_user_total ON parkingdocument (documentdatetime, userid, itemtotal);

CREATE INDEX IF NOT EXISTS parkingdocumentitem_document_sums
  ON parkingdocumentitem (parkingdocumentid, productid, quantity, itemvalue, taxvalue, taxid, price,
                          productcode, productname);
