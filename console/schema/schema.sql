-- Tables of the host and of the parking module. Every statement is idempotent
-- (IF NOT EXISTS) so that an interrupted installation can simply be run again;
-- the installer writes the schemaversion row last, once everything else is in place.
-- Column widths are those the module's datasets work with.

CREATE TABLE IF NOT EXISTS schemaversion (
  version INT NOT NULL,
  installed DATETIME NOT NULL DEFAULT CURRENT_TIMESTAMP,
  PRIMARY KEY (version)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- Host tables ---------------------------------------------------------------

CREATE TABLE IF NOT EXISTS user (
  userid BIGINT NOT NULL AUTO_INCREMENT,
  username VARCHAR(30) NOT NULL,
  passwordhash VARCHAR(255) NOT NULL DEFAULT '',
  firstname VARCHAR(50) NOT NULL DEFAULT '',
  lastname VARCHAR(50) NOT NULL DEFAULT '',
  PRIMARY KEY (userid),
  UNIQUE KEY user_username (username)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE IF NOT EXISTS warehouse (
  warehouseid BIGINT NOT NULL AUTO_INCREMENT,
  name VARCHAR(100) NOT NULL DEFAULT '',
  pricetype CHAR(1) NOT NULL DEFAULT 'v',
  warehousecurrency VARCHAR(3) NOT NULL DEFAULT 'RSD',
  status VARCHAR(20) NOT NULL DEFAULT '',
  PRIMARY KEY (warehouseid),
  KEY warehouse_name (name),
  KEY warehouse_status (status)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE IF NOT EXISTS partner (
  partnerid BIGINT NOT NULL AUTO_INCREMENT,
  name VARCHAR(100) NOT NULL DEFAULT '',
  code VARCHAR(30) NOT NULL DEFAULT '',
  address VARCHAR(200) NOT NULL DEFAULT '',
  zip VARCHAR(20) NOT NULL DEFAULT '',
  city VARCHAR(50) NOT NULL DEFAULT '',
  PRIMARY KEY (partnerid),
  KEY partner_name (name),
  KEY partner_code (code)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE IF NOT EXISTS tax (
  taxid BIGINT NOT NULL AUTO_INCREMENT,
  name VARCHAR(15) NOT NULL DEFAULT '',
  value DOUBLE NOT NULL DEFAULT 0,
  PRIMARY KEY (taxid)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE IF NOT EXISTS product (
  productid BIGINT NOT NULL AUTO_INCREMENT,
  name VARCHAR(100) NOT NULL DEFAULT '',
  code VARCHAR(20) NOT NULL DEFAULT '',
  barcode VARCHAR(20) NOT NULL DEFAULT '',
  additionalcode VARCHAR(20) NOT NULL DEFAULT '',
  price DOUBLE NOT NULL DEFAULT 0,
  taxid BIGINT NULL,
  unitname VARCHAR(15) NOT NULL DEFAULT '',
  manufcode VARCHAR(50) NOT NULL DEFAULT '',
  PRIMARY KEY (productid),
  KEY product_name (name),
  KEY product_code (code),
  KEY product_barcode (barcode),
  KEY product_additionalcode (additionalcode)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE IF NOT EXISTS document (
  documentid BIGINT NOT NULL AUTO_INCREMENT,
  comment VARCHAR(255) NOT NULL DEFAULT '',
  documentcurrency VARCHAR(3) NOT NULL DEFAULT '',
  documentdate DATE NULL,
  valutedate DATE NULL,
  description TEXT NULL,
  direction SMALLINT NOT NULL DEFAULT 0,
  exchangelistid BIGINT NULL,
  inputcurrency VARCHAR(3) NOT NULL DEFAULT '',
  number VARCHAR(30) NOT NULL DEFAULT '',
  partnerid BIGINT NULL,
  status CHAR(1) NOT NULL DEFAULT 'n',
  documenttype VARCHAR(2) NOT NULL DEFAULT '',
  warehouseid BIGINT NULL,
  userid BIGINT NULL,
  statement CHAR(1) NOT NULL DEFAULT 'n',
  inwarehouseid BIGINT NULL,
  reservationid BIGINT NULL,
  relateddocumentid BIGINT NULL,
  documentissuedate DATE NULL,
  partneraddressid BIGINT NULL,
  vehicleid BIGINT NULL,
  transporterrandid BIGINT NULL,
  docreturn TINYINT(1) NOT NULL DEFAULT 0,
  documentadmissiondate DATE NULL,
  documentchargetypeid BIGINT NULL,
  partnername VARCHAR(100) NOT NULL DEFAULT '',
  correctgoods TINYINT(1) NOT NULL DEFAULT 0,
  PRIMARY KEY (documentid),
  KEY document_type_date (documenttype, documentdate),
  KEY document_warehouse (warehouseid),
  KEY document_partner (partnerid)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE IF NOT EXISTS documentitem (
  documentitemid BIGINT NOT NULL AUTO_INCREMENT,
  cost DOUBLE NOT NULL DEFAULT 0,
  costtype CHAR(1) NOT NULL DEFAULT 'T',
  rebate DOUBLE NOT NULL DEFAULT 0,
  rebatetype CHAR(1) NOT NULL DEFAULT 'P',
  documentid BIGINT NOT NULL,
  margin DOUBLE NOT NULL DEFAULT 0,
  marginetype CHAR(1) NOT NULL DEFAULT 'P',
  price DOUBLE NOT NULL DEFAULT 0,
  price2 DOUBLE NOT NULL DEFAULT 0,
  itemvalue DOUBLE NOT NULL DEFAULT 0,
  productid BIGINT NOT NULL,
  productname VARCHAR(100) NOT NULL DEFAULT '',
  quantity DOUBLE NOT NULL DEFAULT 0,
  sort INT NOT NULL DEFAULT 0,
  taxvalue DOUBLE NOT NULL DEFAULT 0,
  taxid BIGINT NOT NULL,
  intax DOUBLE NOT NULL DEFAULT 0,
  specialrebate DOUBLE NOT NULL DEFAULT 0,
  specialrebatetype CHAR(1) NOT NULL DEFAULT 'P',
  note VARCHAR(50) NOT NULL DEFAULT '',
  PRIMARY KEY (documentitemid),
  KEY documentitem_product (productid),
  CONSTRAINT documentitem_document FOREIGN KEY (documentid)
    REFERENCES document (documentid) ON DELETE CASCADE
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- Parking module tables -----------------------------------------------------

CREATE TABLE IF NOT EXISTS parkingdocument (
  parkingdocumentid BIGINT NOT NULL AUTO_INCREMENT,
  number VARCHAR(30) NOT NULL,
  documentdatetime DATETIME NOT NULL,
  comment VARCHAR(255) NOT NULL DEFAULT '',
  countryreg VARCHAR(4) NOT NULL DEFAULT '',
  cityreg VARCHAR(3) NOT NULL DEFAULT '',
  regnumber VARCHAR(8) NOT NULL DEFAULT '',
  licensenumber VARCHAR(20) NOT NULL DEFAULT '',
  firstname VARCHAR(20) NOT NULL DEFAULT '',
  lastname VARCHAR(30) NOT NULL DEFAULT '',
  personalidentificator VARCHAR(20) NOT NULL DEFAULT '',
  address VARCHAR(200) NOT NULL DEFAULT '',
  zip VARCHAR(20) NOT NULL DEFAULT '',
  city VARCHAR(50) NOT NULL DEFAULT '',
  parkingzone VARCHAR(3) NOT NULL DEFAULT '',
  parkingsector VARCHAR(3) NOT NULL DEFAULT '',
  parkingstreets TEXT NULL,
  parkingfromdate DATE NULL,
  parkingtodate DATE NULL,
  documentid BIGINT NULL,
  userid BIGINT NULL,
  PRIMARY KEY (parkingdocumentid),
  UNIQUE KEY parkingdocument_number (number),
  KEY parkingdocument_datetime (documentdatetime),
  KEY parkingdocument_regnumber (regnumber),
  KEY parkingdocument_user (userid)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE IF NOT EXISTS parkingdocumentitem (
  parkingdocumentitemid BIGINT NOT NULL AUTO_INCREMENT,
  quantity DOUBLE NOT NULL DEFAULT 0,
  price DOUBLE NOT NULL DEFAULT 0,
  itemvalue DOUBLE NOT NULL DEFAULT 0,
  taxid BIGINT NOT NULL,
  taxvalue DOUBLE NOT NULL DEFAULT 0,
  productid BIGINT NOT NULL,
  productcode VARCHAR(20) NOT NULL DEFAULT '',
  productname VARCHAR(100) NOT NULL DEFAULT '',
  parkingdocumentid BIGINT NOT NULL,
  ticketnumber VARCHAR(20) NOT NULL DEFAULT '',
  PRIMARY KEY (parkingdocumentitemid),
  KEY parkingdocumentitem_document (parkingdocumentid),
  KEY parkingdocumentitem_product (productid),
  CONSTRAINT parkingdocumentitem_document FOREIGN KEY (parkingdocumentid)
    REFERENCES parkingdocument (parkingdocumentid) ON DELETE CASCADE
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE IF NOT EXISTS parkingzoneframe (
  parkingzoneframeid BIGINT NOT NULL AUTO_INCREMENT,
  zone VARCHAR(3) NOT NULL DEFAULT '',
  sector VARCHAR(3) NOT NULL DEFAULT '',
  street VARCHAR(255) NOT NULL DEFAULT '',
  PRIMARY KEY (parkingzoneframeid),
  KEY parkingzoneframe_zone_sector (zone, sector)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE IF NOT EXISTS parkingticket (
  parkingticketid BIGINT NOT NULL AUTO_INCREMENT,
  ticketdate DATETIME NULL,
  ticketnumber VARCHAR(20) NOT NULL DEFAULT '',
  zone SMALLINT NOT NULL DEFAULT 0,
  regcitynumber VARCHAR(11) NOT NULL DEFAULT '',
  ticketprice DOUBLE NOT NULL DEFAULT 0,
  status SMALLINT NOT NULL DEFAULT 0,
  name VARCHAR(50) NOT NULL DEFAULT '',
  personalidentificator VARCHAR(20) NOT NULL DEFAULT '',
  address VARCHAR(200) NOT NULL DEFAULT '',
  zip VARCHAR(20) NOT NULL DEFAULT '',
  city VARCHAR(50) NOT NULL DEFAULT '',
  PRIMARY KEY (parkingticketid),
  KEY parkingticket_reg (regcitynumber),
  KEY parkingticket_number (ticketnumber)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

CREATE TABLE IF NOT EXISTS parkingsubscription (
  parkingsubscriptionid BIGINT NOT NULL AUTO_INCREMENT,
  subscriptionfromdate DATETIME NULL,
  subscriptiontodate DATETIME NULL,
  subscriptionnumber VARCHAR(20) NOT NULL DEFAULT '',
  regcitynumber VARCHAR(11) NOT NULL DEFAULT '',
  firstname VARCHAR(20) NOT NULL DEFAULT '',
  lastname VARCHAR(30) NOT NULL DEFAULT '',
  personalidentificator VARCHAR(20) NOT NULL DEFAULT '',
  zone VARCHAR(50) NOT NULL DEFAULT '',
  list VARCHAR(50) NOT NULL DEFAULT '',
  status VARCHAR(20) NOT NULL DEFAULT '',
  PRIMARY KEY (parkingsubscriptionid),
  KEY parkingsubscription_reg (regcitynumber),
  KEY parkingsubscription_number (subscriptionnumber)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;

-- Staging table of the ticket export. The ticket id is the key, so a bulk
-- REPLACE keeps the last line of a ticket. Missing or empty fields of a line
-- take the defaults below.
CREATE TABLE IF NOT EXISTS parkingticketraw (
  vreme_izdavanja_DK DATETIME NULL,
  id_DK VARCHAR(20) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin NOT NULL,
  id_zone INT NOT NULL DEFAULT 0,
  reg_oznaka VARCHAR(50) NOT NULL DEFAULT '',
  cena_DK DOUBLE NOT NULL DEFAULT 0,
  status_doplatne INT NOT NULL DEFAULT 0,
  vreme_slanja_opomene DATETIME NULL,
  uplaceni_iznos DOUBLE NOT NULL DEFAULT 0,
  datum_uplate DATE NULL,
  JMBG VARCHAR(20) NOT NULL DEFAULT '',
  ime_i_prezime VARCHAR(100) NOT NULL DEFAULT '',
  ulica VARCHAR(100) NOT NULL DEFAULT '',
  broj VARCHAR(50) NOT NULL DEFAULT '',
  mesto VARCHAR(50) NOT NULL DEFAULT '',
  PTTbroj VARCHAR(20) NOT NULL DEFAULT '',
  parkiraliste INT NOT NULL DEFAULT 0,
  datum_storniranja DATE NULL,
  ID_kontrolora VARCHAR(20) NOT NULL DEFAULT '',
  PRIMARY KEY (id_DK),
  KEY parkingticketraw_issued (vreme_izdavanja_DK),
  KEY parkingticketraw_cancelled (datum_storniranja)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;
