-- Host documents made from a parking document's item (an invoice, its "M" document, a
-- cash invoice): a second invoice for the same item is asked about first, and the
-- document list shows which documents were invoiced. An invoiced item cannot be
-- deleted; a host document deleted takes its links with it.
-- Each migration brings the schema to the version in its file name and must be safe to
-- run again after an interruption (IF NOT EXISTS forms).

CREATE TABLE IF NOT EXISTS parkingdocumentiteminvoice (
  parkingdocumentiteminvoiceid BIGINT NOT NULL AUTO_INCREMENT,
  parkingdocumentitemid BIGINT NOT NULL,
  parkingdocumentid BIGINT NOT NULL,
  documentid BIGINT NOT NULL,
  documenttype VARCHAR(3) NOT NULL DEFAULT '',
  PRIMARY KEY (parkingdocumentiteminvoiceid),
  UNIQUE KEY parkingdocumentiteminvoice_link (parkingdocumentitemid, documentid),
  KEY parkingdocumentiteminvoice_parkingdocument (parkingdocumentid),
  KEY parkingdocumentiteminvoice_document (documentid),
  CONSTRAINT parkingdocumentiteminvoice_item FOREIGN KEY (parkingdocumentitemid)
    REFERENCES parkingdocumentitem (parkingdocumentitemid),
  CONSTRAINT parkingdocumentiteminvoice_document FOREIGN KEY (documentid)
    REFERENCES document (documentid) ON DELETE CASCADE
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;
