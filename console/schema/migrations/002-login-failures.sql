-- Wrong passwords per typed user name, kept in the database so that every console on
-- every computer sees them; a successful log-in deletes the name's row. The name is
-- compared exactly (binary), as the log-in compares it.
-- Each migration brings the schema to the version in its file name and must be safe to
-- run again after an interruption (IF NOT EXISTS forms).

CREATE TABLE IF NOT EXISTS loginfailure (
  username VARCHAR(255) COLLATE utf8mb4_bin NOT NULL,
  failures INT NOT NULL DEFAULT 0,
  lastfailure DATETIME(6) NOT NULL,
  PRIMARY KEY (username)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci;
