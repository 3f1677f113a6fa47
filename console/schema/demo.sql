-- Demo data: operators, a warehouse, taxes, partners, products, the zone frame,
-- and tickets, subscriptions and documents for a few registrations.
-- Dates are relative to the day of installation so the recent-day views have data.
-- Log-in: admin / admin123, marko / marko123, jelena / jelena123 (Argon2id hashes).

INSERT INTO user (userid, username, passwordhash, firstname, lastname) VALUES
  (1, 'admin', '$argon2id$v=19$m=65536,t=2,p=1$5CU/AWqK+svA13hyFHqgaw$TG6JAu0biC0NGaNNVJGc+A9p4CycOMwa+oxjghqZxJs', 'Administrator', 'Sistema'),
  (2, 'marko', '$argon2id$v=19$m=65536,t=2,p=1$pFFHf5+UgA7pauOxX8kMCw$j+BCJxW9awEjnUTnvUYiiGjMeWhWdQkLBX+VNiQ4hl0', 'Marko', 'Petrović'),
  (3, 'jelena', '$argon2id$v=19$m=65536,t=2,p=1$WJ2IDVPdZOnkZ59CeHkzTQ$daEH7etjU5fX76MimpZaUuvmWD7erVcEQaDIcixMyeE', 'Jelena', 'Nikolić');

INSERT INTO warehouse (warehouseid, name, pricetype, warehousecurrency, status) VALUES
  (1, 'Glavni magacin', 'v', 'RSD', 'primary'),
  (2, 'Blagajna Centar', 'm', 'RSD', '');

INSERT INTO tax (taxid, name, value) VALUES
  (1, 'PDV 20%', 20),
  (2, 'PDV 10%', 10),
  (3, 'Bez PDV-a', 0);

INSERT INTO partner (partnerid, name, code, address, zip, city) VALUES
  (1, 'Transport Jovanović d.o.o.', 'P0001', 'Futoški put 12', '21000', 'Novi Sad'),
  (2, 'Apoteka Zdravlje', 'P0002', 'Bulevar oslobođenja 45', '21000', 'Novi Sad'),
  (3, 'Građevinar Stojanović', 'P0003', 'Kneza Miloša 7', '11000', 'Beograd'),
  (4, 'Ćirić i sinovi', 'P0004', 'Đure Jakšića 3', '24000', 'Subotica');

INSERT INTO product (productid, name, code, barcode, additionalcode, price, taxid, unitname, manufcode) VALUES
  (1, 'Doplatna karta 1200', 'DK1200', 'DK1200', '', 1000, 1, 'kom', ''),
  (2, 'Doplatna karta 2400', 'DK2400', 'DK2400', '', 2000, 1, 'kom', ''),
  (3, 'Doplatna karta 3600', 'DK3600', 'DK3600', '', 3000, 1, 'kom', ''),
  (4, 'Doplatna karta 5000', 'DK5000', 'DK5000', '', 4166.67, 1, 'kom', ''),
  (5, 'Pretplata crvena zona - mesečna', 'PRC-M', 'PRCM', 'PR1', 2500, 1, 'kom', ''),
  (6, 'Pretplata crvena zona - godišnja', 'PRC-G', 'PRCG', '', 25000, 1, 'kom', ''),
  (7, 'Pretplata zelena zona - mesečna', 'PRZ-M', 'PRZM', 'PR2', 1800, 1, 'kom', ''),
  (8, 'Pretplata zelena zona - godišnja', 'PRZ-G', 'PRZG', '', 18000, 1, 'kom', ''),
  (9, 'Troškovi opomene', 'OPN1', 'OPN1', '', 250, 1, 'kom', ''),
  (10, 'Parking sat - zona I', 'SAT1', 'SAT1', '', 66.67, 1, 'sat', ''),
  (11, 'Parking sat - zona II', 'SAT2', 'SAT2', '', 50, 1, 'sat', '');

INSERT INTO parkingzoneframe (zone, sector, street) VALUES
  ('I', '1', 'Zmaj Jovina'),
  ('I', '1', 'Dunavska'),
  ('I', '1', 'Trg slobode'),
  ('I', '2', 'Njegoševa'),
  ('I', '2', 'Pašićeva'),
  ('I', '2', 'Jevrejska'),
  ('I', '3', 'Modene'),
  ('I', '3', 'Svetozara Miletića'),
  ('II', '1', 'Bulevar Mihajla Pupina'),
  ('II', '1', 'Železnička'),
  ('II', '1', 'Šafarikova'),
  ('II', '2', 'Futoška'),
  ('II', '2', 'Hajduk Veljkova'),
  ('II', '3', 'Đorđa Rajkovića'),
  ('II', '3', 'Čika Stevina');

-- Statuses: 1 nova, 2 nenaplaćena, 3 naplaćena, 4 opomena pred tužbu, 5 poništena.
INSERT INTO parkingticketraw (vreme_izdavanja_DK, id_DK, id_zone, reg_oznaka, cena_DK, status_doplatne,
    vreme_slanja_opomene, uplaceni_iznos, datum_uplate, JMBG, ime_i_prezime, ulica, broj, mesto,
    PTTbroj, parkiraliste, datum_storniranja, ID_kontrolora) VALUES
  (CURDATE() - INTERVAL 1 DAY + INTERVAL 9 HOUR, '1000101', 1, 'NS123AB', 1200, 1, NULL, 0, NULL, '0101980800011', 'Petar Petrović', 'Zmaj Jovina', '5', 'Novi Sad', '21000', 0, NULL, 'K07'),
  (CURDATE() - INTERVAL 1 DAY + INTERVAL 11 HOUR, '1000102', 2, 'NS123AB', 2400, 2, NULL, 0, NULL, '0101980800011', 'Petar Petrović', 'Zmaj Jovina', '5', 'Novi Sad', '21000', 0, NULL, 'K07'),
  (CURDATE() - INTERVAL 3 DAY + INTERVAL 10 HOUR, '1000103', 1, 'BG456CD', 3600, 4, CURDATE() - INTERVAL 2 DAY, 0, NULL, '1505975710022', 'Ana Đorđević', 'Kneza Miloša', '18a', 'Beograd', '11000', 0, NULL, 'K03'),
  (CURDATE() - INTERVAL 2 DAY + INTERVAL 14 HOUR, '1000104', 2, 'NS7788KK', 5000, 1, NULL, 0, NULL, '2212990805033', 'Milica Šarić', 'Futoška', '101', 'Novi Sad', '21000', 0, NULL, 'K11'),
  (CURDATE() - INTERVAL 4 DAY + INTERVAL 8 HOUR, '1000105', 1, 'SU001ZZ', 1200, 3, NULL, 1200, CURDATE() - INTERVAL 3 DAY, '0303985820044', 'Žarko Čolić', 'Korzo', '2', 'Subotica', '24000', 0, NULL, 'K03'),
  (CURDATE() - INTERVAL 4 DAY + INTERVAL 9 HOUR, '1000106', 1, 'SU001ZZ', 2400, 5, NULL, 0, NULL, '0303985820044', 'Žarko Čolić', 'Korzo', '2', 'Subotica', '24000', 0, CURDATE() - INTERVAL 1 DAY, 'K03');

-- The working table holds the raw tickets that are neither paid (3) nor cancelled (5).
INSERT INTO parkingticket (ticketdate, ticketnumber, zone, regcitynumber, ticketprice, status, name,
    personalidentificator, address, zip, city)
  SELECT vreme_izdavanja_DK, id_DK, id_zone, LEFT(reg_oznaka, 11), cena_DK, status_doplatne,
         LEFT(ime_i_prezime, 50), JMBG, CONCAT(ulica, ' ', broj), PTTbroj, mesto
  FROM parkingticketraw WHERE status_doplatne NOT IN (3, 5) ORDER BY id_DK;

INSERT INTO parkingsubscription (subscriptionfromdate, subscriptiontodate, subscriptionnumber,
    regcitynumber, firstname, lastname, personalidentificator, zone, list, status) VALUES
  (CURDATE() - INTERVAL 10 DAY, CURDATE() + INTERVAL 20 DAY, 'PR-2001', 'NS123AB', 'Petar', 'Petrović', '0101980800011', 'Pretplatna Crvena zona - mesecna', 'Stanari', 'aktivna'),
  (CURDATE() - INTERVAL 100 DAY, CURDATE() + INTERVAL 265 DAY, 'PR-2002', 'BG456CD', 'Ana', 'Đorđević', '1505975710022', 'Pretplatna Zelena zona - godisnja', 'Pravna lica', 'aktivna'),
  (CURDATE() - INTERVAL 5 DAY, CURDATE() + INTERVAL 25 DAY, 'PR-2003', 'NS7788KK', 'Milica', 'Šarić', '2212990805033', 'Pretplatna Zelena zona - mesecna', 'Stanari', 'aktivna'),
  (CURDATE() - INTERVAL 40 DAY, CURDATE() - INTERVAL 10 DAY, 'PR-1999', 'NS123AB', 'Petar', 'Petrović', '0101980800011', 'parkiraliste', 'Ostali', 'istekla');

-- Two payments taken yesterday, numbered as the module numbers them (count + 1 "/" year),
-- each with what its items below come to with tax, as the editor's save stores it.
INSERT INTO parkingdocument (parkingdocumentid, number, documentdatetime, countryreg, cityreg, regnumber,
    firstname, lastname, personalidentificator, address, zip, city, parkingzone, parkingsector,
    parkingfromdate, parkingtodate, userid, itemtotal) VALUES
  (1, CONCAT('1/', DATE_FORMAT(CURDATE() - INTERVAL 1 DAY, '%y')), CURDATE() - INTERVAL 1 DAY + INTERVAL 10 HOUR,
    'SRB', 'SU', '001ZZ', 'Žarko', 'Čolić', '0303985820044', 'Korzo 2', '24000', 'Subotica', 'I', '1', NULL, NULL, 2, 1200.00),
  (2, CONCAT('2/', DATE_FORMAT(CURDATE() - INTERVAL 1 DAY, '%y')), CURDATE() - INTERVAL 1 DAY + INTERVAL 12 HOUR + INTERVAL 30 MINUTE,
    'SRB', 'NS', '7788KK', 'Milica', 'Šarić', '2212990805033', 'Futoška 101', '21000', 'Novi Sad', 'II', '2',
    CURDATE() - INTERVAL 1 DAY, CURDATE() + INTERVAL 29 DAY, 3, 2280.00);

INSERT INTO parkingdocumentitem (quantity, price, itemvalue, taxid, taxvalue, productid, productcode,
    productname, parkingdocumentid, ticketnumber) VALUES
  (1, 1000, 1000, 1, 20, 1, 'DK1200', 'Doplatna karta 1200', 1, '1000105'),
  (1, 1800, 1800, 1, 20, 7, 'PRZ-M', 'Pretplata zelena zona - mesečna', 2, 'PR-2003'),
  (2, 50, 100, 1, 20, 11, 'SAT2', 'Parking sat - zona II', 2, 'SAT-0417');

-- The parking documents' counter follows the payments above, as an upgrade would set it.
INSERT INTO numbercounter (series, n) SELECT 'parkingdocument', COUNT(*) FROM parkingdocument
ON DUPLICATE KEY UPDATE n = GREATEST(numbercounter.n, VALUES(n));
