-- A vehicle's tickets, subscriptions and documents are found by its registration however
-- it was written (blanks, dashes, case): each table keeps the registration without them,
-- upper case, as an indexed virtual column. The columns are invisible, so SELECT * and
-- INSERT without a column list see the tables as before. Safe to run again.

ALTER TABLE parkingticket
  ADD COLUMN IF NOT EXISTS platekey VARCHAR(11)
    AS (UPPER(REPLACE(REPLACE(regcitynumber, ' ', ''), '-', ''))) VIRTUAL INVISIBLE;
CREATE INDEX IF NOT EXISTS parkingticket_platekey ON parkingticket (platekey);

ALTER TABLE parkingsubscription
  ADD COLUMN IF NOT EXISTS platekey VARCHAR(11)
    AS (UPPER(REPLACE(REPLACE(regcitynumber, ' ', ''), '-', ''))) VIRTUAL INVISIBLE;
CREATE INDEX IF NOT EXISTS parkingsubscription_platekey ON parkingsubscription (platekey);

ALTER TABLE parkingdocument
  ADD COLUMN IF NOT EXISTS platekey VARCHAR(11)
    AS (UPPER(REPLACE(REPLACE(CONCAT(cityreg, regnumber), ' ', ''), '-', ''))) VIRTUAL INVISIBLE;
CREATE INDEX IF NOT EXISTS parkingdocument_platekey ON parkingdocument (platekey);
