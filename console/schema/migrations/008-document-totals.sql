-- Each parking document keeps the sum of its items with tax, every item rounded to the
-- para as the pay desk sums them, so a month of takings is read from the documents alone
-- (an index over the time and the total answers it without touching the items). The
-- column is written with the items in the editor's saving transaction and is invisible,
-- so SELECT * and INSERT without a column list see the table as before. Safe to run again.

ALTER TABLE parkingdocument
  ADD COLUMN IF NOT EXISTS itemtotal DECIMAL(15,2) NOT NULL DEFAULT 0 INVISIBLE;

UPDATE parkingdocument AS pd
  JOIN (SELECT parkingdocumentid, SUM(ROUND(itemvalue * (1 + taxvalue/100), 2)) AS total
          FROM parkingdocumentitem GROUP BY parkingdocumentid) AS sums
    ON sums.parkingdocumentid = pd.parkingdocumentid
   SET pd.itemtotal = sums.total;

-- The time and total together replace the index on the time alone, which they cover.
CREATE INDEX IF NOT EXISTS parkingdocument_datetime_total ON parkingdocument (documentdatetime, itemtotal);
DROP INDEX IF EXISTS parkingdocument_datetime ON parkingdocument;
