-- Document numbers drawn from counters inside the transaction that stores the document,
-- and a save token on every stored document so that a save whose confirmation was lost
-- can be told from one that never reached the server.
-- Safe to run again: the counters only ever move forward.

CREATE TABLE IF NOT EXISTS numbercounter (
  series VARCHAR(30) NOT NULL,              -- the numbered table: parkingdocument, document
  documenttype VARCHAR(2) NOT NULL DEFAULT '',
  year SMALLINT NOT NULL DEFAULT 0,         -- 0: one run over every year
  warehouseid BIGINT NOT NULL DEFAULT 0,    -- 0: no warehouse
  n BIGINT NOT NULL DEFAULT 0,              -- the last number given
  PRIMARY KEY (series, documenttype, year, warehouseid)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- Parking documents run on over the years from the count of the stored ones.
INSERT INTO numbercounter (series, documenttype, year, warehouseid, n)
SELECT 'parkingdocument', '', 0, 0, stored.n
FROM (SELECT COUNT(*) AS n FROM parkingdocument) AS stored
ON DUPLICATE KEY UPDATE n = GREATEST(numbercounter.n, VALUES(n));

-- Host documents: per type, year and warehouse, from the highest whole number stored.
INSERT INTO numbercounter (series, documenttype, year, warehouseid, n)
SELECT 'document', stored.documenttype, stored.year, stored.warehouseid, stored.n
FROM (SELECT documenttype, COALESCE(YEAR(documentdate), 0) AS year,
             IF(warehouseid > 0, warehouseid, 0) AS warehouseid,
             MAX(CAST(number AS UNSIGNED)) AS n
      FROM document
      WHERE number REGEXP '^[0-9]+$'
      GROUP BY documenttype, COALESCE(YEAR(documentdate), 0), IF(warehouseid > 0, warehouseid, 0)) AS stored
ON DUPLICATE KEY UPDATE n = GREATEST(numbercounter.n, VALUES(n));

ALTER TABLE parkingdocument
  ADD COLUMN IF NOT EXISTS savetoken CHAR(32) CHARACTER SET ascii NULL,
  ADD UNIQUE KEY IF NOT EXISTS parkingdocument_savetoken (savetoken);

-- A host document's number is unique within its type, year and warehouse; documents
-- written without a number (no numbering service) are left out.
ALTER TABLE document
  ADD COLUMN IF NOT EXISTS savetoken CHAR(32) CHARACTER SET ascii NULL,
  ADD COLUMN IF NOT EXISTS numberkey VARCHAR(60) AS
    (IF(number = '', NULL, CONCAT_WS('/', documenttype, COALESCE(YEAR(documentdate), 0),
                                     IF(warehouseid > 0, warehouseid, 0), number))) VIRTUAL,
  ADD UNIQUE KEY IF NOT EXISTS document_savetoken (savetoken),
  ADD UNIQUE KEY IF NOT EXISTS document_numberkey (numberkey);
