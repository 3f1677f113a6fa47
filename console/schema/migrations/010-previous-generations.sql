-- The tables an import replaces keep their previous generation (`…_prev`), which an undo
-- swaps back in; such a table made before an upgrade lacks what later migrations added
-- to the live table. Each migration that changes a replaced table changes its `_prev`
-- too, if it exists; this one brings those older than the plate keys to the live
-- structure (the index named as the live table's, which CREATE TABLE … LIKE copies).
-- Safe to run again.

ALTER TABLE IF EXISTS parkingticket_prev
  ADD COLUMN IF NOT EXISTS platekey VARCHAR(11)
    AS (UPPER(REPLACE(REPLACE(regcitynumber, ' ', ''), '-', ''))) VIRTUAL INVISIBLE,
  ADD INDEX IF NOT EXISTS parkingticket_platekey (platekey);

ALTER TABLE IF EXISTS parkingsubscription_prev
  ADD COLUMN IF NOT EXISTS platekey VARCHAR(11)
    AS (UPPER(REPLACE(REPLACE(regcitynumber, ' ', ''), '-', ''))) VIRTUAL INVISIBLE,
  ADD INDEX IF NOT EXISTS parkingsubscription_platekey (platekey);
