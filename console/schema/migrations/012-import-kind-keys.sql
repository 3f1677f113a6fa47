-- The import history keeps a stable key of each kind of run instead of the text the
-- windows show; the program shows the text from the key. Rows written before keep every
-- value but their kind, which takes its key. Safe to run again.

UPDATE parkingimporthistory
   SET kind = CASE kind
                WHEN 'uvoz karata' THEN 'ticket-import'
                WHEN 'uvoz pretplata' THEN 'subscription-import'
                WHEN 'vraćanje karata' THEN 'ticket-undo'
                WHEN 'vraćanje pretplata' THEN 'subscription-undo'
                WHEN 'dokument karata' THEN 'ticket-document'
                WHEN 'dokument blagajne' THEN 'paydesk-document'
              END
 WHERE kind IN ('uvoz karata', 'uvoz pretplata', 'vraćanje karata', 'vraćanje pretplata',
                'dokument karata', 'dokument blagajne');
