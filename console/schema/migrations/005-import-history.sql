-- Every import, undo and ticket or pay-desk document run, from any console or from the
-- batch command: who ran it where, on which file, what it did and how it ended. The
-- document runs also tell whether a day's document was already made.
-- Each migration brings the schema to the version in its file name and must be safe to
-- run again after an interruption (IF NOT EXISTS forms).

CREATE TABLE IF NOT EXISTS parkingimporthistory (
  parkingimporthistoryid INT NOT NULL AUTO_INCREMENT,
  kind VARCHAR(40) NOT NULL,
  startedat DATETIME NOT NULL,
  endedat DATETIME NULL,
  username VARCHAR(100) NOT NULL DEFAULT '',
  computer VARCHAR(100) NOT NULL DEFAULT '',
  filename VARCHAR(255) NOT NULL DEFAULT '',
  filesize BIGINT NULL,
  sha256 CHAR(64) NOT NULL DEFAULT '',
  documentday DATE NULL,
  document VARCHAR(40) NOT NULL DEFAULT '',
  linesread BIGINT NULL,
  rowsstored BIGINT NULL,
  leftout VARCHAR(1000) NOT NULL DEFAULT '',
  outcome VARCHAR(20) NOT NULL,
  firsterror VARCHAR(500) NOT NULL DEFAULT '',
  PRIMARY KEY (parkingimporthistoryid),
  KEY parkingimporthistory_started (startedat),
  KEY parkingimporthistory_day (kind, documentday)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;
