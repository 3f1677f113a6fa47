-- A ticket number typed into a parking document is looked up among the stored items
-- (is it paid already?): an index keeps that a point look-up however many items exist.
-- Safe to run again.

CREATE INDEX IF NOT EXISTS parkingdocumentitem_ticketnumber ON parkingdocumentitem (ticketnumber);
