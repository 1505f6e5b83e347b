-- A small night audit for a demo: three task sequences played into the
-- property-management window titled "Front Desk".
INSERT INTO _config VALUES ('STARTINGHEIGHT', '8235');
-- For a front desk reached through a remote-desktop client or on a slow machine:
-- INSERT INTO _config VALUES ('KEYDELAY', '25');      -- ms between two keystrokes
-- INSERT INTO _config VALUES ('WINDOWWAIT', '5000');  -- ms to wait for a window to appear

INSERT INTO tasksequence VALUES
 (1, 'Close the day', 'Make sure every cashier has closed and the front desk has no open folio.', 1, 1),
 (2, 'Card settlement', 'Collect the printed card totals from the printer and file them with the audit pack.', 1, 2),
 (3, 'No-show guests', 'Check each no-show reservation before the charges post.', 1, 3),
 (4, 'Old month-end steps', 'Kept for reference; not run any more.', 0, 4);

INSERT INTO task VALUES
 (1, 1, 'Close cashiers', 'Front Desk', 1, 1),
 (2, 1, 'Roll the business date', 'Front Desk', 1, 2),
 (3, 2, 'Audit report and totals', 'Front Desk', 1, 1),
 (4, 3, 'Cancel no-shows', 'Front Desk', 1, 1),
 (5, 4, 'Month-end posting', 'Front Desk', 0, 1);

INSERT INTO keysequence VALUES
 (1, 1, 'Open the cashier screen', 1, NULL, 0, 1000, 1),
 (2, 1, 'Close cashier 1', 1, NULL, 0, 2000, 2),
 (3, 2, 'Enter the audit date', 1, NULL, 1000, 0, 1),
 (4, 2, 'Weekly revenue report', 1, 'Mon', 0, 0, 2),
 (5, 2, 'Start the end of day', 1, NULL, 0, 3000, 3),
 (6, 3, 'Print the audit report', 1, NULL, 0, 0, 1),
 (7, 3, 'Total the card settlements', 1, NULL, 0, 0, 2),
 (8, 4, 'Load the no-show list', 1, NULL, 0, 0, 1),
 (9, 4, 'Cancel the next no-show', 1, NULL, 0, 1000, 2),
 (10, 5, 'Post month-end', 1, NULL, 0, 0, 1);

INSERT INTO keys VALUES
 (1, 1, 1, 0, '%c', NULL, 0, 600),
 (2, 1, 2, 0, '{TAB 3}', NULL, 0, 0),
 (3, 2, 1, 0, '1~', NULL, 0, 0),
 (4, 2, 2, 0, '+{F4}', NULL, 0, 1000),
 (5, 3, 1, 1, 'special1', 'String Date', 0, 0),
 (6, 3, 2, 0, '{ENTER}', NULL, 0, 0),
 (7, 4, 1, 0, '%rw', NULL, 0, 2000),
 (8, 4, 2, 3, 'Weekly revenue report requested', NULL, 0, 0),
 (9, 5, 1, 5, '', NULL, 200, 150),
 (10, 5, 2, 6, '', NULL, 200, 150),
 (11, 5, 3, 7, '', NULL, 200, 150),
 (12, 5, 4, 4, '', NULL, 1000, 2000),
 (13, 6, 1, 0, '%r', NULL, 0, 0),
 (14, 6, 2, 0, 'Audit Report~', NULL, 0, 3000),
 (15, 7, 1, 9, 'audit_report.txt', NULL, 0, 0),
 (16, 8, 1, 11, 'noshow_report.txt', NULL, 0, 0),
 (17, 9, 1, 12, '', NULL, 0, 0),
 (18, 9, 2, 1, 'special6', NULL, 0, 0),
 (19, 9, 3, 0, '{F9}~', NULL, 0, 500),
 (20, 10, 1, 0, '%m', NULL, 0, 0);
