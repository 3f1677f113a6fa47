-- One ticket or pay-desk document per day and kind unless a second is asked for: the run
-- that stores a day's document writes its history row in the document's own transaction
-- with the day's copy number (0 for the first, the next free one for a document asked
-- for again). The unique key makes two desks that make the day's first document at once
-- meet in the database: the later one waits for the earlier and is refused. Rows of runs
-- that wrote no document keep no copy number. Safe to run again.

ALTER TABLE parkingimporthistory
  ADD COLUMN IF NOT EXISTS daycopy INT NULL;

UPDATE parkingimporthistory AS h
  JOIN (SELECT parkingimporthistoryid,
               ROW_NUMBER() OVER (PARTITION BY kind, documentday ORDER BY parkingimporthistoryid) - 1 AS copy
          FROM parkingimporthistory
         WHERE outcome = 'uspeh' AND documentday IS NOT NULL AND document <> '') AS numbered
    ON numbered.parkingimporthistoryid = h.parkingimporthistoryid
   SET h.daycopy = numbered.copy
 WHERE h.daycopy IS NULL;

ALTER TABLE parkingimporthistory
  ADD UNIQUE KEY IF NOT EXISTS parkingimporthistory_daycopy (kind, documentday, daycopy);
