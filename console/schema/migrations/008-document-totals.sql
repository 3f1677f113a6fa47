-- Each parking document keeps the sum of its items with tax, every item rounded to the
-- para as the pay desk sums them, and the hour it was taken in, so a month of takings by
-- hour is read from one index in its order, without the items. The total is written with
-- the items in the editor's saving transaction; both columns are invisible, so SELECT *
-- and INSERT without a column list see the table as before. Safe to run again.

ALTER TABLE parkingdocument
  ADD COLUMN IF NOT EXISTS itemtotal DECIMAL(15,2) NOT NULL DEFAULT 0 INVISIBLE,
  ADD COLUMN IF NOT EXISTS salehour DATETIME
    AS (TIMESTAMP(DATE(documentdatetime), MAKETIME(HOUR(documentdatetime), 0, 0))) VIRTUAL INVISIBLE;

UPDATE parkingdocument AS pd
  JOIN (SELECT parkingdocumentid, SUM(ROUND(itemvalue * (1 + taxvalue/100), 2)) AS total
          FROM parkingdocumentitem GROUP BY parkingdocumentid) AS sums
    ON sums.parkingdocumentid = pd.parkingdocumentid
   SET pd.itemtotal = sums.total;

CREATE INDEX IF NOT EXISTS parkingdocument_hour_total ON parkingdocument (salehour, itemtotal);
