-- The log-in, its wrong tries and the change of one's own password as procedures that run
-- with the rights of the account that created them (the administrator who ran createdb or
-- upgrade), so that the pay desks' account needs no right to change `user` or
-- `loginfailure` and cannot read the password hashes. The desk derives the hash from the
-- typed password and the stored hash's parameters (loginstate); the comparison, the count
-- of wrong tries and the wait after them happen here, on the server.
-- Names compare exactly (bytes and length), as the log-in always compared them.
-- Safe to run again (CREATE OR REPLACE).

DELIMITER //

-- Seconds 'p_name' still has to wait before its next try: none for the first wrong
-- tries, then 1, 2, 4 … up to 60 seconds after the last one.
CREATE OR REPLACE PROCEDURE loginwait(IN p_name VARCHAR(255), OUT p_wait INT)
  SQL SECURITY DEFINER
  READS SQL DATA
BEGIN
  SET p_wait = COALESCE((SELECT GREATEST(0, LEAST(POW(2, LEAST(failures - 5, 6)), 60)
                                 - FLOOR(TIMESTAMPDIFF(MICROSECOND, lastfailure, UTC_TIMESTAMP(6)) / 1000000))
                           FROM loginfailure WHERE username = p_name AND failures >= 5), 0);
END //

CREATE OR REPLACE PROCEDURE loginfailed(IN p_name VARCHAR(255))
  SQL SECURITY DEFINER
  MODIFIES SQL DATA
BEGIN
  INSERT INTO loginfailure (username, failures, lastfailure) VALUES (p_name, 1, UTC_TIMESTAMP(6))
    ON DUPLICATE KEY UPDATE failures = failures + 1, lastfailure = UTC_TIMESTAMP(6);
END //

-- What a desk needs before it derives a hash: the user (NULL for an unknown name), the
-- stored hash's parameters up to its last '$' ('' while no password is set) and the wait.
CREATE OR REPLACE PROCEDURE loginstate(IN p_name VARCHAR(255), OUT p_userid BIGINT, OUT p_settings VARCHAR(255),
                                       OUT p_wait INT)
  SQL SECURITY DEFINER
  READS SQL DATA
BEGIN
  SELECT MIN(userid), MIN(LEFT(passwordhash, CHAR_LENGTH(passwordhash) - LOCATE('$', REVERSE(passwordhash)) + 1))
    INTO p_userid, p_settings
    FROM user
   WHERE username = p_name AND CAST(username AS BINARY) = CAST(p_name AS BINARY)
     AND CHAR_LENGTH(username) = CHAR_LENGTH(p_name);
  CALL loginwait(p_name, p_wait);
END //

-- A try to log in with the derived hash 'p_hash': the user when it matches (its wrong
-- tries forgotten), else NULL with the try counted. A try made before the wait is over
-- is neither checked nor counted. Tries for one name take turns (a named lock), so tries
-- sent at once cannot all pass the same wait; one that cannot take its turn within 10 s
-- is told to wait.
CREATE OR REPLACE PROCEDURE login(IN p_name VARCHAR(255), IN p_hash VARCHAR(255), OUT p_userid BIGINT,
                                  OUT p_wait INT)
  SQL SECURITY DEFINER
  MODIFIES SQL DATA
logintry: BEGIN
  DECLARE v_turn VARCHAR(64) DEFAULT CONCAT('parking-login-', MD5(CONCAT(DATABASE(), '/', p_name)));
  DECLARE EXIT HANDLER FOR SQLEXCEPTION
  BEGIN
    DO RELEASE_LOCK(v_turn);
    RESIGNAL;
  END;
  SET p_userid = NULL;
  IF COALESCE(GET_LOCK(v_turn, 10), 0) = 0 THEN
    SET p_wait = 1;
    LEAVE logintry;
  END IF;
  CALL loginwait(p_name, p_wait);
  IF p_wait = 0 THEN
    SET p_userid = (SELECT MIN(userid) FROM user
                     WHERE username = p_name AND CAST(username AS BINARY) = CAST(p_name AS BINARY)
                       AND CHAR_LENGTH(username) = CHAR_LENGTH(p_name)
                       AND passwordhash <> '' AND CAST(passwordhash AS BINARY) = CAST(p_hash AS BINARY));
    IF p_userid IS NULL THEN
      CALL loginfailed(p_name);
      CALL loginwait(p_name, p_wait);
    ELSE
      DELETE FROM loginfailure WHERE username = p_name;
    END IF;
  END IF;
  DO RELEASE_LOCK(v_turn);
END //

-- A user's own password change: 'p_current' is the hash derived from the present password
-- (anything while none is set), 'p_new' the new hash. p_result: 0 changed, 1 the present
-- password is wrong (counted as a wrong try), 2 no such user, 3 wait after wrong tries,
-- 4 'p_new' is not a password hash.
CREATE OR REPLACE PROCEDURE changepassword(IN p_userid BIGINT, IN p_current VARCHAR(255), IN p_new VARCHAR(255),
                                           OUT p_result INT)
  SQL SECURITY DEFINER
  MODIFIES SQL DATA
pwchange: BEGIN
  DECLARE v_name VARCHAR(255) DEFAULT NULL;
  DECLARE v_wait INT DEFAULT 0;
  DECLARE v_turn VARCHAR(64) DEFAULT NULL;
  DECLARE EXIT HANDLER FOR SQLEXCEPTION
  BEGIN
    DO RELEASE_LOCK(v_turn);
    RESIGNAL;
  END;
  SET v_name = (SELECT username FROM user WHERE userid = p_userid);
  IF v_name IS NULL THEN
    SET p_result = 2;
  ELSEIF p_new IS NULL OR p_new NOT LIKE '$argon2%$%$%' THEN
    SET p_result = 4;
  ELSE
    -- Takes its turn with the log-in tries of the same name.
    SET v_turn = CONCAT('parking-login-', MD5(CONCAT(DATABASE(), '/', v_name)));
    IF COALESCE(GET_LOCK(v_turn, 10), 0) = 0 THEN
      SET p_result = 3;
      LEAVE pwchange;
    END IF;
    CALL loginwait(v_name, v_wait);
    IF v_wait > 0 THEN
      SET p_result = 3;
    ELSE
      UPDATE user SET passwordhash = p_new
       WHERE userid = p_userid
         AND (passwordhash = '' OR CAST(passwordhash AS BINARY) = CAST(p_current AS BINARY));
      IF ROW_COUNT() > 0 THEN
        DELETE FROM loginfailure WHERE username = v_name;
        SET p_result = 0;
      ELSE
        CALL loginfailed(v_name);
        SET p_result = 1;
      END IF;
    END IF;
    DO RELEASE_LOCK(v_turn);
  END IF;
END //

DELIMITER ;
