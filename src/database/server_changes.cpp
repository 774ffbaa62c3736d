#include "database/server_changes.h"

#include "database/formulary_status.h"
#include "database/input_limits.h"
#include "database/node_names.h"
#include "database/procedures.h"
#include "database/server_roles.h"
#include "database/session.h"

#include <span>

namespace database::server_changes {

namespace {

// The writer role; the users group keeps SELECT and loses every write.
const QString kRoles = QStringLiteral(R"SQL(
DO $roles$
DECLARE
    users text := current_database() || '_users';
    changes text := current_database() || '_changes';
    s text;
BEGIN
    IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = changes) THEN
        EXECUTE format('CREATE ROLE %I NOLOGIN', changes);
    END IF;
    FOREACH s IN ARRAY ARRAY['inventory', 'patient_data'] LOOP
        EXECUTE format('GRANT USAGE ON SCHEMA %I TO %I, %I', s, users, changes);
        EXECUTE format('GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA %I TO %I',
                       s, changes);
        EXECUTE format('GRANT USAGE, SELECT ON ALL SEQUENCES IN SCHEMA %I TO %I', s, changes);
        EXECUTE format('REVOKE ALL ON ALL TABLES IN SCHEMA %I FROM %I', s, users);
        EXECUTE format('REVOKE ALL ON ALL SEQUENCES IN SCHEMA %I FROM %I', s, users);
        EXECUTE format('GRANT SELECT ON ALL TABLES IN SCHEMA %I TO %I', s, users);
        EXECUTE format('ALTER DEFAULT PRIVILEGES IN SCHEMA %I REVOKE ALL ON TABLES FROM %I',
                       s, users);
        EXECUTE format('ALTER DEFAULT PRIVILEGES IN SCHEMA %I REVOKE ALL ON SEQUENCES FROM %I',
                       s, users);
        EXECUTE format('ALTER DEFAULT PRIVILEGES IN SCHEMA %I GRANT SELECT ON TABLES TO %I',
                       s, users);
        EXECUTE format('ALTER DEFAULT PRIVILEGES IN SCHEMA %I GRANT SELECT, INSERT, UPDATE,'
                       ' DELETE ON TABLES TO %I', s, changes);
        EXECUTE format('ALTER DEFAULT PRIVILEGES IN SCHEMA %I GRANT USAGE, SELECT ON SEQUENCES'
                       ' TO %I', s, changes);
    END LOOP;
    REVOKE CREATE ON SCHEMA public FROM PUBLIC;
END
$roles$)SQL");

// A session's rows belong to the log-in that wrote them; the writer role
// purges stale sessions of every user.
const QString kSessionRows = QStringLiteral(R"SQL(
DO $sessions$
DECLARE
    users text := current_database() || '_users';
    changes text := current_database() || '_changes';
    t text;
BEGIN
    FOREACH t IN ARRAY ARRAY[{SESSION_TABLES}] LOOP
        EXECUTE format('ALTER TABLE inventory.%I ADD COLUMN IF NOT EXISTS login_role TEXT'
                       ' NOT NULL DEFAULT session_user', t);
        EXECUTE format('ALTER TABLE inventory.%I ENABLE ROW LEVEL SECURITY', t);
        EXECUTE format('DROP POLICY IF EXISTS own_session ON inventory.%I', t);
        EXECUTE format('CREATE POLICY own_session ON inventory.%I TO %I'
                       ' USING (login_role = session_user) WITH CHECK (login_role = session_user)',
                       t, users);
        EXECUTE format('DROP POLICY IF EXISTS every_session ON inventory.%I', t);
        EXECUTE format('CREATE POLICY every_session ON inventory.%I TO %I USING (true)',
                       t, changes);
        EXECUTE format('GRANT SELECT, INSERT, UPDATE, DELETE ON inventory.%I TO %I', t, users);
    END LOOP;
END
$sessions$)SQL");

// Who calls a function: the users (and the keeper's functions), which it
// serves as the writer role; the keeper's functions only, likewise; or only
// the other functions, as whoever called them.
enum class Use { Users, Keeper, Helper };

struct Function {
    QString signature;
    QString returns;
    QString body;
    Use use;
};

// The superuser, or the role that owns the formulary's schema.
const QString kCallerIsOwner =
    QStringLiteral("EXISTS (SELECT 1 FROM pg_roles WHERE rolname = session_user AND rolsuper)"
                   " OR session_user = (SELECT pg_get_userbyid(nspowner) FROM pg_namespace"
                   " WHERE nspname = 'inventory')");

// Whether the caller owns the formulary, and whether they hold a right:
// "classification", "generic", "drug", "otherdetails" or "administrator".
// A look-only user holds none, whatever is stored.
const Function kRights[] = {
    {QStringLiteral("caller_is_owner()"), QStringLiteral("boolean"),
     QStringLiteral("RETURN ") + kCallerIsOwner + QLatin1Char(';'), Use::Users},
    {QStringLiteral("caller_may(right_name text)"), QStringLiteral("boolean"), QStringLiteral(R"SQL(
    IF inventory.caller_is_owner() THEN
        RETURN true;
    END IF;
    IF NOT pg_has_role(session_user, current_database() || '_users', 'MEMBER') THEN
        RETURN false;
    END IF;
    RETURN COALESCE((
        SELECT upper(btrim(u.rightsclass)) <> 'BB' AND CASE right_name
            WHEN 'classification' THEN s.isClassification
            WHEN 'generic' THEN s.isGeneric
            WHEN 'drug' THEN s.isDrug
            WHEN 'otherdetails' THEN s.isOtherDetails
            WHEN 'administrator'
                THEN pg_has_role(session_user, current_database() || '_admins', 'MEMBER')
            END
        FROM inventory.tbUser u
        LEFT JOIN inventory.tbforUserSettings s ON s.userid = u.employeecode
        WHERE u.username = session_user), false);
)SQL"),
     Use::Users},
    {QStringLiteral("caller_requires(right_name text)"), QStringLiteral("void"),
     QStringLiteral(R"SQL(
    IF NOT inventory.caller_may(right_name) THEN
        RAISE EXCEPTION 'The user "%" has no right to change %.', session_user,
            CASE right_name
                WHEN 'classification' THEN 'classifications'
                WHEN 'generic' THEN 'generic names'
                WHEN 'drug' THEN 'the drugs under generic names'
                WHEN 'otherdetails' THEN 'other details'
                ELSE 'users, their rights or the hospital record' END
            USING ERRCODE = '42501';
    END IF;
)SQL"),
     Use::Helper},
};

// The tree's keys: a child's key is its parent's key and a number; the
// wanted number is taken when free, else the next free one. Keys are reused,
// so a parent is named as the workstation saw it: key, type and the id of its
// entry (NULL: any), and a node of another entry under that key is refused.
// A parent is locked before anything else, so that changes lock in one order.
const Function kTree[] = {
    {QStringLiteral("tree_child_number(parent_key text, child_key text)"), QStringLiteral("bigint"),
     QStringLiteral(R"SQL(
    DECLARE
        prefix text := CASE WHEN parent_key = '_0' THEN '_' ELSE parent_key || '.' END;
        digits text := substr(child_key, length(prefix) + 1);
    BEGIN
        IF left(child_key, length(prefix)) <> prefix OR digits !~ '^[1-9][0-9]{0,17}$' THEN
            RETURN NULL;
        END IF;
        RETURN digits::bigint;
    END;
)SQL"),
     Use::Helper},
    {QStringLiteral("tree_is(node_key text, node_type text, entry_id text)"),
     QStringLiteral("boolean"), QStringLiteral(R"SQL(
    PERFORM 1 FROM inventory.tbFormularyNode n
        WHERE n.Node_Key = tree_is.node_key AND n.node_type = tree_is.node_type
          AND (tree_is.node_type = '0' OR tree_is.entry_id IS NULL
               OR COALESCE(n.ClassificationID::text, n.GenericID::text, n.itemid)
                  = tree_is.entry_id)
        FOR KEY SHARE;
    RETURN FOUND;
)SQL"),
     Use::Helper},
    {QStringLiteral("tree_can_insert(parent_key text, parent_type text, parent_id text,"
                    " wanted_key text, kind text)"),
     QStringLiteral("boolean"), QStringLiteral(R"SQL(
    RETURN inventory.tree_child_number(parent_key, wanted_key) IS NOT NULL
        AND ((kind = '1' AND parent_type IN ('0', '1'))
          OR (kind = '2' AND parent_type = '1')
          OR (kind = '3' AND parent_type = '2'))
        AND inventory.tree_is(parent_key, parent_type, parent_id);
)SQL"),
     Use::Helper},
    {QStringLiteral("tree_sync_name(kind text, entry_id text)"), QStringLiteral("void"),
     QStringLiteral(R"SQL(
    IF kind = '1' THEN
        {SYNC_CLASSIFICATION};
    ELSIF kind = '2' THEN
        {SYNC_GENERIC};
    ELSE
        {SYNC_DRUG};
    END IF;
)SQL"),
     Use::Helper},
    // The caller has asked tree_can_insert first, before writing anything.
    {QStringLiteral("tree_insert(parent_key text, wanted_key text, kind text, entry_id text)"),
     QStringLiteral("text"), QStringLiteral(R"SQL(
    DECLARE
        n bigint := inventory.tree_child_number(parent_key, wanted_key);
        parent_level integer;
        taken bigint[];
        candidate text;
    BEGIN
        SELECT Node_Level INTO parent_level FROM inventory.tbFormularyNode
            WHERE Node_Key = parent_key;
        LOOP
            candidate := CASE WHEN parent_key = '_0' THEN '_' ELSE parent_key || '.' END || n;
            INSERT INTO inventory.tbFormularyNode (Node_Key, Node_Parent, Node_Level, node_type,
                                                   ClassificationID, GenericID, itemid)
            VALUES (candidate, parent_key, parent_level + 1, kind,
                    CASE WHEN kind = '1' THEN entry_id::bigint END,
                    CASE WHEN kind = '2' THEN entry_id::bigint END,
                    CASE WHEN kind = '3' THEN entry_id END)
            ON CONFLICT (Node_Key) DO NOTHING;
            IF FOUND THEN
                PERFORM inventory.tree_sync_name(kind, entry_id);
                RETURN candidate;
            END IF;
            -- Taken by another workstation between the caller's test and now.
            IF taken IS NULL THEN
                taken := array_remove(ARRAY(
                    SELECT inventory.tree_child_number(parent_key, k.Node_Key)
                    FROM inventory.tbFormularyNode k WHERE k.Node_Parent = parent_key), NULL);
            END IF;
            LOOP
                n := n + 1;
                EXIT WHEN NOT n = ANY (taken);
            END LOOP;
        END LOOP;
    END;
)SQL"),
     Use::Helper},
    {QStringLiteral("tree_remove_leaf(leaf_key text)"), QStringLiteral("boolean"),
     QStringLiteral(R"SQL(
    IF leaf_key = '_0' OR EXISTS (SELECT 1 FROM inventory.tbFormularyNode
                                  WHERE Node_Parent = leaf_key) THEN
        RETURN false;
    END IF;
    DELETE FROM inventory.tbFormularyNode WHERE Node_Key = leaf_key;
    RETURN FOUND;
)SQL"),
     Use::Helper},
    {QStringLiteral("generic_placement(generic_id bigint, OUT node_key text, OUT drugs bigint)"),
     QStringLiteral("record"), QStringLiteral(R"SQL(
    SELECT n.Node_Key, (SELECT COUNT(*) FROM inventory.tbFormularyNode d
                        WHERE d.Node_Parent = n.Node_Key)
        INTO node_key, drugs
        FROM inventory.tbFormularyNode n WHERE n.GenericID = generic_id
        FOR UPDATE OF n;
)SQL"),
     Use::Helper},
};

// What the audit needs besides the tree: the one writer of its lines (a
// definer, so that the keeper's functions write through it too), the names a
// placement is noted with, and the rights as the audit shows them.
const Function kAudit[] = {
    {QStringLiteral("audit_write(kind text, entry_id text, at_key text, entry_name text,"
                    " what text, before_value text, after_value text)"),
     QStringLiteral("void"), QStringLiteral(R"SQL(
    IF kind = 'hospital record' THEN
        INSERT INTO patient_data.tbAudit (action, entry_kind, entry_id, node_key, entry_name,
                                          before_value, after_value)
            VALUES (what, kind, entry_id, at_key, entry_name, before_value, after_value);
    ELSE
        INSERT INTO inventory.tbAudit (action, entry_kind, entry_id, node_key, entry_name,
                                       before_value, after_value)
            VALUES (what, kind, entry_id, at_key, entry_name, before_value, after_value);
    END IF;
)SQL"),
     Use::Keeper},
    {QStringLiteral("node_names_at(at_key text, OUT entry_name text, OUT parent_name text)"),
     QStringLiteral("record"), QStringLiteral(R"SQL(
    SELECT n.NodeName, p.NodeName INTO entry_name, parent_name
        FROM inventory.tbFormularyNode n
        LEFT JOIN inventory.tbFormularyNode p ON p.Node_Key = n.Node_Parent
        WHERE n.Node_Key = at_key;
)SQL"),
     Use::Helper},
    // "assign", or "move" from the parent it stood under.
    {QStringLiteral("audit_placed(kind text, entry_id text, new_key text, was_placed boolean,"
                    " old_parent text)"),
     QStringLiteral("void"), QStringLiteral(R"SQL(
    DECLARE
        now record := inventory.node_names_at(new_key);
    BEGIN
        PERFORM inventory.audit_write(kind, entry_id, new_key, now.entry_name,
            CASE WHEN was_placed THEN 'move' ELSE 'assign' END, old_parent, now.parent_name);
    END;
)SQL"),
     Use::Helper},
    {QStringLiteral("tree_remove_noted(kind text, entry_id text, leaf_key text)"),
     QStringLiteral("boolean"), QStringLiteral(R"SQL(
    DECLARE
        was record := inventory.node_names_at(leaf_key);
    BEGIN
        IF NOT inventory.tree_remove_leaf(leaf_key) THEN
            RETURN false;
        END IF;
        PERFORM inventory.audit_write(kind, entry_id, leaf_key, was.entry_name, 'remove',
                                      was.parent_name, NULL);
        RETURN true;
    END;
)SQL"),
     Use::Helper},
    {QStringLiteral("audit_rights(user_id text)"), QStringLiteral("text"), QStringLiteral(R"SQL(
    RETURN (SELECT format('Classification: %s, Drug: %s, Generic: %s, Other Details: %s',
                          CASE WHEN s.isClassification THEN 'Yes' ELSE 'No' END,
                          CASE WHEN s.isDrug THEN 'Yes' ELSE 'No' END,
                          CASE WHEN s.isGeneric THEN 'Yes' ELSE 'No' END,
                          CASE WHEN s.isOtherDetails THEN 'Yes' ELSE 'No' END)
            FROM (SELECT 1) one
            LEFT JOIN inventory.tbforUserSettings s ON s.userid = user_id);
)SQL"),
     Use::Helper},
    {QStringLiteral("audit_rights_changed(user_id text, before_rights text)"),
     QStringLiteral("void"), QStringLiteral(R"SQL(
    DECLARE
        after_rights text := inventory.audit_rights(user_id);
    BEGIN
        IF after_rights <> before_rights THEN
            PERFORM inventory.audit_write('user rights', user_id, NULL,
                (SELECT username FROM inventory.tbUser WHERE employeecode = user_id),
                'right changed', before_rights, after_rights);
        END IF;
    END;
)SQL"),
     Use::Helper},
    {QStringLiteral("audit_user(user_name text, what text, before_value text, after_value text)"),
     QStringLiteral("void"), QStringLiteral(R"SQL(
    IF before_value IS DISTINCT FROM after_value THEN
        PERFORM inventory.audit_write('user', (SELECT employeecode FROM inventory.tbUser
                                               WHERE username = user_name),
                                      NULL, user_name, what, before_value, after_value);
    END IF;
)SQL"),
     Use::Keeper},
};

// One function for each change the program makes. NULL or false: the rules
// refused the change, and nothing was written. Each notes what it did in the
// audit (see audit.h), with the same words as the embedded database's changes.
const Function kChanges[] = {
    {QStringLiteral("classification_add(parent_key text, parent_type text, parent_id text,"
                    " wanted_key text, class_name text, folded text, class_description text)"),
     QStringLiteral("text"), QStringLiteral(R"SQL(
    DECLARE
        new_id bigint;
        new_key text;
    BEGIN
        PERFORM inventory.caller_requires('classification');
        IF NOT inventory.tree_can_insert(parent_key, parent_type, parent_id, wanted_key, '1')
        THEN
            RETURN NULL;
        END IF;
        INSERT INTO inventory.tbForClassification (ClassificationName, Description, name_folded)
            VALUES (class_name, NULLIF(class_description, ''), folded)
            RETURNING ClassificationID INTO new_id;
        new_key := inventory.tree_insert(parent_key, wanted_key, '1', new_id::text);
        PERFORM inventory.audit_write('classification', new_id::text, new_key, class_name, 'add',
                                      NULL, class_name);
        RETURN new_key;
    END;
)SQL"),
     Use::Users},
    {QStringLiteral("classification_rename(at_key text, class_id bigint, class_name text,"
                    " folded text)"),
     QStringLiteral("boolean"), QStringLiteral(R"SQL(
    DECLARE
        found_id bigint;
        old_name text;
    BEGIN
        PERFORM inventory.caller_requires('classification');
        SELECT n.ClassificationID, c.ClassificationName INTO found_id, old_name
            FROM inventory.tbFormularyNode n
            JOIN inventory.tbForClassification c ON c.ClassificationID = n.ClassificationID
            WHERE n.Node_Key = at_key AND n.node_type = '1'
              AND (class_id IS NULL OR n.ClassificationID = class_id)
            FOR UPDATE OF n;
        IF found_id IS NULL THEN
            RETURN false;
        END IF;
        UPDATE inventory.tbForClassification SET ClassificationName = class_name,
            name_folded = folded WHERE ClassificationID = found_id;
        PERFORM inventory.tree_sync_name('1', found_id::text);
        IF old_name IS DISTINCT FROM class_name THEN
            PERFORM inventory.audit_write('classification', found_id::text, at_key, class_name,
                                          'rename', old_name, class_name);
        END IF;
        RETURN true;
    END;
)SQL"),
     Use::Users},
    {QStringLiteral("classification_delete(at_key text, class_id bigint)"),
     QStringLiteral("boolean"), QStringLiteral(R"SQL(
    DECLARE
        found_id bigint;
        old_name text;
    BEGIN
        PERFORM inventory.caller_requires('classification');
        SELECT n.ClassificationID, c.ClassificationName INTO found_id, old_name
            FROM inventory.tbFormularyNode n
            JOIN inventory.tbForClassification c ON c.ClassificationID = n.ClassificationID
            WHERE n.Node_Key = at_key AND n.node_type = '1'
              AND (class_id IS NULL OR n.ClassificationID = class_id)
            FOR UPDATE OF n;
        IF found_id IS NULL OR NOT inventory.tree_remove_leaf(at_key) THEN
            RETURN false;
        END IF;
        DELETE FROM inventory.tbForClassification WHERE ClassificationID = found_id;
        PERFORM inventory.audit_write('classification', found_id::text, at_key, old_name,
                                      'delete', old_name, NULL);
        RETURN true;
    END;
)SQL"),
     Use::Users},
    {QStringLiteral("generic_new(generic_name text, folded text)"), QStringLiteral("bigint"),
     QStringLiteral(R"SQL(
    DECLARE
        new_id bigint;
    BEGIN
        PERFORM inventory.caller_requires('generic');
        INSERT INTO inventory.tbforgeneric (genericname, name_folded)
            VALUES (generic_name, folded) RETURNING GenericID INTO new_id;
        PERFORM inventory.audit_write('generic name', new_id::text, NULL, generic_name, 'add',
                                      NULL, generic_name);
        RETURN new_id;
    END;
)SQL"),
     Use::Users},
    {QStringLiteral("generic_rename(generic_id bigint, generic_name text, folded text)"),
     QStringLiteral("boolean"), QStringLiteral(R"SQL(
    DECLARE
        old_name text;
        at_key text;
    BEGIN
        PERFORM inventory.caller_requires('generic');
        SELECT n.Node_Key INTO at_key FROM inventory.tbFormularyNode n
            WHERE n.GenericID = generic_id FOR UPDATE;
        SELECT g.genericname INTO old_name FROM inventory.tbforgeneric g
            WHERE g.GenericID = generic_id FOR NO KEY UPDATE;
        IF NOT FOUND THEN
            RETURN false;
        END IF;
        UPDATE inventory.tbforgeneric SET genericname = generic_name, name_folded = folded
            WHERE GenericID = generic_id;
        PERFORM inventory.tree_sync_name('2', generic_id::text);
        IF old_name IS DISTINCT FROM generic_name THEN
            PERFORM inventory.audit_write('generic name', generic_id::text, at_key, generic_name,
                                          'rename', old_name, generic_name);
        END IF;
        RETURN true;
    END;
)SQL"),
     Use::Users},
    // A code of 0 or less places a new generic name of that name.
    {QStringLiteral("generic_place(parent_key text, parent_type text, parent_id text,"
                    " wanted_key text, generic_id bigint, generic_name text, folded text)"),
     QStringLiteral("text"), QStringLiteral(R"SQL(
    DECLARE
        placed bigint := generic_id;
        old record;
        was_placed boolean := false;
        old_parent text;
        new_key text;
    BEGIN
        PERFORM inventory.caller_requires('generic');
        IF NOT inventory.tree_can_insert(parent_key, parent_type, parent_id, wanted_key, '2')
        THEN
            RETURN NULL;
        END IF;
        IF generic_id <= 0 THEN
            INSERT INTO inventory.tbforgeneric (genericname, name_folded)
                VALUES (generic_name, folded) RETURNING GenericID INTO placed;
            PERFORM inventory.audit_write('generic name', placed::text, NULL, generic_name,
                                          'add', NULL, generic_name);
        ELSE
            old := inventory.generic_placement(generic_id);
            IF old.node_key IS NOT NULL THEN
                was_placed := true;
                old_parent := (inventory.node_names_at(old.node_key)).parent_name;
                IF old.drugs > 0 OR NOT inventory.tree_remove_leaf(old.node_key) THEN
                    RETURN NULL;
                END IF;
            END IF;
        END IF;
        new_key := inventory.tree_insert(parent_key, wanted_key, '2', placed::text);
        PERFORM inventory.audit_placed('generic name', placed::text, new_key, was_placed,
                                       old_parent);
        RETURN new_key;
    END;
)SQL"),
     Use::Users},
    {QStringLiteral("generic_unplace(generic_id bigint)"), QStringLiteral("boolean"),
     QStringLiteral(R"SQL(
    DECLARE
        old record;
    BEGIN
        PERFORM inventory.caller_requires('generic');
        old := inventory.generic_placement(generic_id);
        IF old.node_key IS NULL OR old.drugs > 0 THEN
            RETURN false;
        END IF;
        RETURN inventory.tree_remove_noted('generic name', generic_id::text, old.node_key);
    END;
)SQL"),
     Use::Users},
    {QStringLiteral("generic_delete(generic_id bigint)"), QStringLiteral("integer"),
     QStringLiteral(R"SQL(
    DECLARE
        old record;
        old_name text;
        old_details text;
    BEGIN
        PERFORM inventory.caller_requires('generic');
        SELECT g.genericname, o.OtherDetails INTO old_name, old_details
            FROM inventory.tbforgeneric g
            LEFT JOIN inventory.tbFormularyOtherDetails o ON o.GenericID = g.GenericID
            WHERE g.GenericID = generic_id;
        IF NOT FOUND THEN
            RETURN {NOT_FOUND};
        END IF;
        old := inventory.generic_placement(generic_id);
        IF old.node_key IS NOT NULL THEN
            RETURN CASE WHEN old.drugs > 0 THEN {HAS_DRUGS} ELSE {UNDER_CLASSIFICATION} END;
        END IF;
        DELETE FROM inventory.tbFormularyOtherDetails WHERE GenericID = generic_id;
        DELETE FROM inventory.tbforgeneric WHERE GenericID = generic_id;
        IF COALESCE(old_details, '') <> '' THEN
            PERFORM inventory.audit_write('other details', generic_id::text, NULL, old_name,
                                          'delete', old_details, NULL);
        END IF;
        PERFORM inventory.audit_write('generic name', generic_id::text, NULL, old_name, 'delete',
                                      old_name, NULL);
        RETURN {DELETED};
    END;
)SQL"),
     Use::Users},
    {QStringLiteral("drug_place(parent_key text, parent_type text, parent_id text,"
                    " wanted_key text, item_id text)"),
     QStringLiteral("text"), QStringLiteral(R"SQL(
    DECLARE
        old_key text;
        old_parent text;
        new_key text;
    BEGIN
        PERFORM inventory.caller_requires('drug');
        IF NOT inventory.tree_can_insert(parent_key, parent_type, parent_id, wanted_key, '3')
        THEN
            RETURN NULL;
        END IF;
        SELECT Node_Key INTO old_key FROM inventory.tbFormularyNode WHERE itemid = item_id;
        IF old_key IS NOT NULL THEN
            old_parent := (inventory.node_names_at(old_key)).parent_name;
            IF NOT inventory.tree_remove_leaf(old_key) THEN
                RETURN NULL;
            END IF;
        END IF;
        new_key := inventory.tree_insert(parent_key, wanted_key, '3', item_id);
        PERFORM inventory.audit_placed('drug', item_id, new_key, old_key IS NOT NULL, old_parent);
        RETURN new_key;
    END;
)SQL"),
     Use::Users},
    {QStringLiteral("drug_unplace(item_id text)"), QStringLiteral("boolean"), QStringLiteral(R"SQL(
    DECLARE
        old_key text;
    BEGIN
        PERFORM inventory.caller_requires('drug');
        SELECT Node_Key INTO old_key FROM inventory.tbFormularyNode WHERE itemid = item_id;
        IF old_key IS NULL THEN
            RETURN false;
        END IF;
        RETURN inventory.tree_remove_noted('drug', item_id, old_key);
    END;
)SQL"),
     Use::Users},
    {QStringLiteral("other_details_save(generic_id bigint, details text)"),
     QStringLiteral("boolean"), QStringLiteral(R"SQL(
    DECLARE
        found_name text;
        at_key text;
        old_details text;
    BEGIN
        PERFORM inventory.caller_requires('otherdetails');
        SELECT g.genericname, n.Node_Key, o.OtherDetails INTO found_name, at_key, old_details
            FROM inventory.tbforgeneric g
            LEFT JOIN inventory.tbFormularyNode n ON n.GenericID = g.GenericID
            LEFT JOIN inventory.tbFormularyOtherDetails o ON o.GenericID = g.GenericID
            WHERE g.GenericID = generic_id
            FOR NO KEY UPDATE OF g;
        INSERT INTO inventory.tbFormularyOtherDetails (GenericID, OtherDetails)
            VALUES (generic_id, details)
            ON CONFLICT (GenericID) DO UPDATE SET OtherDetails = excluded.OtherDetails;
        IF COALESCE(old_details, '') <> COALESCE(details, '') THEN
            PERFORM inventory.audit_write('other details', generic_id::text, at_key, found_name,
                                          'details saved', NULLIF(old_details, ''),
                                          NULLIF(details, ''));
        END IF;
        RETURN true;
    END;
)SQL"),
     Use::Users},
    // A user without a row gets one; the other rights of a new row stay Null.
    {QStringLiteral("user_right_save(user_id text, right_column text, granted boolean)"),
     QStringLiteral("boolean"), QStringLiteral(R"SQL(
    DECLARE
        col text := lower(right_column);
        before_rights text;
    BEGIN
        PERFORM inventory.caller_requires('administrator');
        IF col NOT IN ('isclassification', 'isdrug', 'isgeneric', 'isotherdetails') THEN
            RAISE EXCEPTION 'There is no right "%".', right_column USING ERRCODE = '22023';
        END IF;
        PERFORM 1 FROM inventory.tbforUserSettings WHERE userid = user_id FOR UPDATE;
        before_rights := inventory.audit_rights(user_id);
        EXECUTE format('INSERT INTO inventory.tbforUserSettings (userid, %1$I) VALUES ($1, $2)'
                       ' ON CONFLICT (userid) DO UPDATE SET %1$I = excluded.%1$I', col)
            USING user_id, granted;
        PERFORM inventory.audit_rights_changed(user_id, before_rights);
        RETURN true;
    END;
)SQL"),
     Use::Users},
    {QStringLiteral("user_rights_set_all(user_id text, granted boolean)"),
     QStringLiteral("boolean"), QStringLiteral(R"SQL(
    DECLARE
        before_rights text;
    BEGIN
        PERFORM inventory.caller_requires('administrator');
        PERFORM 1 FROM inventory.tbforUserSettings WHERE userid = user_id FOR UPDATE;
        before_rights := inventory.audit_rights(user_id);
        INSERT INTO inventory.tbforUserSettings
            (userid, isClassification, isDrug, isGeneric, isOtherDetails)
            VALUES (user_id, granted, granted, granted, granted)
            ON CONFLICT (userid) DO UPDATE SET isClassification = excluded.isClassification,
                isDrug = excluded.isDrug, isGeneric = excluded.isGeneric,
                isOtherDetails = excluded.isOtherDetails;
        PERFORM inventory.audit_rights_changed(user_id, before_rights);
        RETURN true;
    END;
)SQL"),
     Use::Users},
    {QStringLiteral("hospital_save(client_name text, company_name text, address text)"),
     QStringLiteral("boolean"), QStringLiteral(R"SQL(
    DECLARE
        before_record text;
        after_record text := concat(client_name, E'\n', company_name, E'\n', address);
    BEGIN
        PERFORM inventory.caller_requires('administrator');
        LOCK TABLE patient_data.tbHospitalInfo IN SHARE ROW EXCLUSIVE MODE;
        SELECT concat(clientname, E'\n', company, E'\n', address1) INTO before_record
            FROM patient_data.tbHospitalInfo LIMIT 1;
        DELETE FROM patient_data.tbHospitalInfo;
        INSERT INTO patient_data.tbHospitalInfo (clientname, company, address1)
            VALUES (client_name, company_name, address);
        IF before_record IS DISTINCT FROM after_record THEN
            PERFORM inventory.audit_write('hospital record', NULL, NULL, client_name,
                                          'hospital record changed', before_record,
                                          after_record);
        END IF;
        RETURN true;
    END;
)SQL"),
     Use::Users},
    // The password reaches the server only as a verifier.
    {QStringLiteral("user_add(employee_code text, user_name text, first_name text,"
                    " last_name text, last_folded text, user_initials text, rights_class text,"
                    " admin boolean, verifier text)"),
     QStringLiteral("boolean"), QStringLiteral(R"SQL(
    PERFORM inventory.caller_requires('administrator');
    IF rights_class NOT IN ('AA', 'BB') THEN
        RAISE EXCEPTION 'The rights class is "AA" or "BB", not "%".', rights_class
            USING ERRCODE = '22023';
    END IF;
    -- The log-in first: made for a user listed already, it is noted as such.
    PERFORM inventory.login_create(user_name, verifier);
    INSERT INTO inventory.tbUser (employeecode, username, firstname, lastname, lastname_folded,
                                  initials, rightsclass, isadmin, passwordhash, failedlogins)
        VALUES (employee_code, user_name, first_name, last_name, last_folded, user_initials,
                rights_class, admin, NULL, 0);
    IF admin THEN
        PERFORM inventory.login_set_admin(user_name, true);
    END IF;
    PERFORM inventory.audit_write('user', employee_code, NULL, user_name, 'user added', NULL,
        format('%s %s (%s), rights class %s%s', first_name, last_name, user_initials,
               rights_class, CASE WHEN admin THEN ', administrator' ELSE '' END));
    RETURN true;
)SQL"),
     Use::Users},
    {QStringLiteral("user_set_rights_class(user_name text, rights_class text)"),
     QStringLiteral("boolean"), QStringLiteral(R"SQL(
    DECLARE
        old_class text;
    BEGIN
        PERFORM inventory.caller_requires('administrator');
        IF rights_class NOT IN ('AA', 'BB') THEN
            RAISE EXCEPTION 'The rights class is "AA" or "BB", not "%".', rights_class
                USING ERRCODE = '22023';
        END IF;
        SELECT rightsclass INTO old_class FROM inventory.tbUser WHERE username = user_name
            FOR NO KEY UPDATE;
        IF NOT FOUND THEN
            RETURN false;
        END IF;
        UPDATE inventory.tbUser SET rightsclass = rights_class WHERE username = user_name;
        PERFORM inventory.audit_user(user_name, 'user changed', 'rights class ' || old_class,
                                     'rights class ' || rights_class);
        RETURN true;
    END;
)SQL"),
     Use::Users},
    // The flag follows the administrators' group, which decides.
    {QStringLiteral("user_set_admin(user_name text, admin boolean)"), QStringLiteral("boolean"),
     QStringLiteral(R"SQL(
    DECLARE
        was_admin boolean;
    BEGIN
        PERFORM inventory.caller_requires('administrator');
        SELECT isadmin INTO was_admin FROM inventory.tbUser WHERE username = user_name
            FOR NO KEY UPDATE;
        IF NOT FOUND THEN
            RETURN false;
        END IF;
        UPDATE inventory.tbUser SET isadmin = admin WHERE username = user_name;
        PERFORM inventory.login_set_admin(user_name, admin);
        PERFORM inventory.audit_user(user_name, 'user changed',
            'administrator: ' || CASE WHEN was_admin THEN 'Yes' ELSE 'No' END,
            'administrator: ' || CASE WHEN admin THEN 'Yes' ELSE 'No' END);
        RETURN true;
    END;
)SQL"),
     Use::Users},
    // Sessions that no one has used for a day are taken as left behind by a
    // crash; the cut-off is the server's, so that no caller can purge a live one.
    {QStringLiteral("session_purge_stale()"), QStringLiteral("void"), QStringLiteral(R"SQL(
    DECLARE
        cutoff bigint := extract(epoch FROM now())::bigint - {STALE_SECONDS};
    BEGIN
        DELETE FROM inventory.tbForTraceParent WHERE session_id IN
            (SELECT session_id FROM inventory.tbSession WHERE last_seen < cutoff);
        DELETE FROM inventory.tbFormularyNodeLevel WHERE session_id IN
            (SELECT session_id FROM inventory.tbSession WHERE last_seen < cutoff);
        DELETE FROM inventory.tbFormularyReport WHERE session_id IN
            (SELECT session_id FROM inventory.tbSession WHERE last_seen < cutoff);
        DELETE FROM inventory.tbSession WHERE last_seen < cutoff;
    END;
)SQL"),
     Use::Users},
};

// The committee's decisions: the status of a generic name or drug at the
// node the workstation saw (its type and id checked, the entry's right
// required), and the restriction categories, administrators only. Dates come
// as yyyy-MM-dd; a bad one or a text over its limit is refused as the
// table's own rules refuse a status without its date.
const Function kStatus[] = {
    {QStringLiteral("status_text(kind text, entry_id text)"), QStringLiteral("text"),
     QStringLiteral(R"SQL(
    RETURN (SELECT {STATUS_TEXT}
            FROM (SELECT 1 AS one) x
            LEFT JOIN inventory.tbFormularyStatus s
                ON s.GenericID = (CASE WHEN kind = '2' THEN entry_id END)::bigint
                OR s.itemid = CASE WHEN kind = '3' THEN entry_id END
            LEFT JOIN inventory.tbRestriction r ON r.RestrictionID = s.RestrictionID);
)SQL"),
     Use::Helper},
    {QStringLiteral("status_save(kind text, at_key text, entry_id text, new_status text,"
                    " category text, review_date text, decision_date text, status_note text,"
                    " minute text)"),
     QStringLiteral("boolean"), QStringLiteral(R"SQL(
    DECLARE
        found_name text;
        category_id bigint;
        before_text text;
        after_text text;
    BEGIN
        IF kind NOT IN ('2', '3') OR entry_id IS NULL THEN
            RETURN false;
        END IF;
        PERFORM inventory.caller_requires(CASE WHEN kind = '2' THEN 'generic' ELSE 'drug' END);
        IF COALESCE(review_date, '0000-00-00') !~ '^[0-9]{4}-[0-9]{2}-[0-9]{2}$'
           OR COALESCE(decision_date, '0000-00-00') !~ '^[0-9]{4}-[0-9]{2}-[0-9]{2}$'
           OR length(COALESCE(minute, '')) > {REFERENCE_LIMIT}
           OR length(COALESCE(status_note, '')) > {NOTE_LIMIT} THEN
            RAISE EXCEPTION 'A date or text the formulary status cannot hold.'
                USING ERRCODE = '23514';
        END IF;
        IF NOT inventory.tree_is(at_key, kind, entry_id) THEN
            RETURN false;
        END IF;
        SELECT NodeName INTO found_name FROM inventory.tbFormularyNode WHERE Node_Key = at_key;
        IF new_status = 'Restricted' THEN
            SELECT RestrictionID INTO category_id FROM inventory.tbRestriction
                WHERE RestrictionName = category FOR KEY SHARE;
            IF category_id IS NULL THEN
                RETURN false;
            END IF;
        END IF;
        before_text := inventory.status_text(kind, entry_id);
        EXECUTE format('INSERT INTO inventory.tbFormularyStatus (GenericID, itemid, status,'
                       ' RestrictionID, review_by, decided_on, note, reference)'
                       ' VALUES ($1, $2, $3, $4, $5, $6, $7, $8) ON CONFLICT (%I) DO UPDATE SET'
                       ' status = excluded.status, RestrictionID = excluded.RestrictionID,'
                       ' review_by = excluded.review_by, decided_on = excluded.decided_on,'
                       ' note = excluded.note, reference = excluded.reference',
                       CASE WHEN kind = '2' THEN 'genericid' ELSE 'itemid' END)
            USING (CASE WHEN kind = '2' THEN entry_id END)::bigint,
                  CASE WHEN kind = '3' THEN entry_id END, new_status, category_id, review_date,
                  decision_date, status_note, minute;
        after_text := inventory.status_text(kind, entry_id);
        IF after_text IS DISTINCT FROM before_text THEN
            PERFORM inventory.audit_write(CASE WHEN kind = '2' THEN 'generic name' ELSE 'drug' END,
                                          entry_id, at_key, found_name, 'status changed',
                                          before_text, after_text);
        END IF;
        RETURN true;
    END;
)SQL"),
     Use::Users},
    {QStringLiteral("restriction_locked(old_folded text, OUT found_id bigint, OUT old_name text)"),
     QStringLiteral("record"), QStringLiteral(R"SQL(
    SELECT RestrictionID, RestrictionName INTO found_id, old_name
        FROM inventory.tbRestriction WHERE name_folded = old_folded FOR UPDATE;
)SQL"),
     Use::Helper},
    {QStringLiteral("restriction_add(category text, folded text)"), QStringLiteral("integer"),
     QStringLiteral(R"SQL(
    DECLARE
        new_id bigint;
    BEGIN
        PERFORM inventory.caller_requires('administrator');
        IF btrim(category) = '' OR length(folded) > {NAME_LIMIT} THEN
            RETURN {CATEGORY_INVALID};
        END IF;
        INSERT INTO inventory.tbRestriction (RestrictionName, name_folded)
            VALUES (category, folded) ON CONFLICT (name_folded) DO NOTHING
            RETURNING RestrictionID INTO new_id;
        IF new_id IS NULL THEN
            RETURN {CATEGORY_TAKEN};
        END IF;
        PERFORM inventory.audit_write('restriction category', new_id::text, NULL, category,
                                      'add', NULL, category);
        RETURN {CATEGORY_DONE};
    END;
)SQL"),
     Use::Users},
    {QStringLiteral("restriction_rename(old_folded text, category text, folded text)"),
     QStringLiteral("integer"), QStringLiteral(R"SQL(
    DECLARE
        found record;
    BEGIN
        PERFORM inventory.caller_requires('administrator');
        IF btrim(category) = '' OR length(folded) > {NAME_LIMIT} THEN
            RETURN {CATEGORY_INVALID};
        END IF;
        SELECT * INTO found FROM inventory.restriction_locked(old_folded);
        IF found.found_id IS NULL THEN
            RETURN {CATEGORY_NOT_FOUND};
        END IF;
        IF EXISTS (SELECT 1 FROM inventory.tbRestriction
                   WHERE name_folded = folded AND RestrictionID <> found.found_id) THEN
            RETURN {CATEGORY_TAKEN};
        END IF;
        UPDATE inventory.tbRestriction SET RestrictionName = category, name_folded = folded
            WHERE RestrictionID = found.found_id;
        IF found.old_name <> category THEN
            PERFORM inventory.audit_write('restriction category', found.found_id::text, NULL,
                                          category, 'rename', found.old_name, category);
        END IF;
        RETURN {CATEGORY_DONE};
    END;
)SQL"),
     Use::Users},
    {QStringLiteral("restriction_remove(old_folded text)"), QStringLiteral("integer"),
     QStringLiteral(R"SQL(
    DECLARE
        found record;
    BEGIN
        PERFORM inventory.caller_requires('administrator');
        SELECT * INTO found FROM inventory.restriction_locked(old_folded);
        IF found.found_id IS NULL THEN
            RETURN {CATEGORY_NOT_FOUND};
        END IF;
        IF EXISTS (SELECT 1 FROM inventory.tbFormularyStatus
                   WHERE RestrictionID = found.found_id) THEN
            RETURN {CATEGORY_IN_USE};
        END IF;
        DELETE FROM inventory.tbRestriction WHERE RestrictionID = found.found_id;
        PERFORM inventory.audit_write('restriction category', found.found_id::text, NULL,
                                      found.old_name, 'delete', found.old_name, NULL);
        RETURN {CATEGORY_DONE};
    END;
)SQL"),
     Use::Users},
};

// A plpgsql body that is one statement list gets its BEGIN and END here; one
// that declares variables brings its own block.
QString block(const QString& body) {
    const QString trimmed = body.trimmed();
    if (trimmed.startsWith(QLatin1String("DECLARE")))
        return trimmed;
    return QStringLiteral("BEGIN\n") + trimmed + QStringLiteral("\nEND;");
}

// The statement that brings a node's name in line, with the entry's id typed.
QString syncFor(NodeKind kind, const QString& id) {
    return nodeNameSyncStatement(kind).replace(QLatin1Char('?'), id);
}

QString filled(QString body) {
    body.replace(QLatin1String("{SYNC_CLASSIFICATION}"),
                 syncFor(NodeKind::Classification, QStringLiteral("entry_id::bigint")));
    body.replace(QLatin1String("{SYNC_GENERIC}"),
                 syncFor(NodeKind::Generic, QStringLiteral("entry_id::bigint")));
    body.replace(QLatin1String("{SYNC_DRUG}"), syncFor(NodeKind::Drug, QStringLiteral("entry_id")));
    const auto result = [](DeleteGenericResult r) { return QString::number(int(r)); };
    body.replace(QLatin1String("{DELETED}"), result(DeleteGenericResult::Deleted));
    body.replace(QLatin1String("{UNDER_CLASSIFICATION}"),
                 result(DeleteGenericResult::UnderClassification));
    body.replace(QLatin1String("{HAS_DRUGS}"), result(DeleteGenericResult::HasDrugs));
    body.replace(QLatin1String("{NOT_FOUND}"), result(DeleteGenericResult::NotFound));
    body.replace(QLatin1String("{STALE_SECONDS}"), QString::number(StaleSessionSeconds));
    body.replace(QLatin1String("{STATUS_TEXT}"), formulary_status::decisionTextSql());
    using formulary_status::CategoryResult;
    const auto category = [](CategoryResult r) { return QString::number(int(r)); };
    body.replace(QLatin1String("{CATEGORY_DONE}"), category(CategoryResult::Done));
    body.replace(QLatin1String("{CATEGORY_TAKEN}"), category(CategoryResult::Taken));
    body.replace(QLatin1String("{CATEGORY_NOT_FOUND}"), category(CategoryResult::NotFound));
    body.replace(QLatin1String("{CATEGORY_IN_USE}"), category(CategoryResult::InUse));
    body.replace(QLatin1String("{CATEGORY_INVALID}"), category(CategoryResult::Invalid));
    body.replace(QLatin1String("{NAME_LIMIT}"), QString::number(limits::Name.codePoints));
    body.replace(QLatin1String("{REFERENCE_LIMIT}"), QString::number(limits::Name.codePoints));
    body.replace(QLatin1String("{NOTE_LIMIT}"), QString::number(limits::ItemText.codePoints));
    return body;
}

// The signature without parameter names or OUT parameters, as ALTER and
// GRANT name a function.
QString typesOnly(const QString& signature) {
    const qsizetype open = signature.indexOf(QLatin1Char('('));
    QStringList types;
    const QString inside = signature.mid(open + 1, signature.size() - open - 2);
    for (const QString& parameter : inside.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList words = parameter.trimmed().split(QLatin1Char(' '));
        if (words.first() != QLatin1String("OUT"))
            types << words.last();
    }
    return QStringLiteral("inventory.%1(%2)").arg(signature.left(open), types.join(u','));
}

void create(db::Connection& c, const Function& f) {
    // Definer functions run as the writer role; helpers as their caller, which
    // is a definer function.
    const bool definer = f.use != Use::Helper;
    c.execute(QStringLiteral("CREATE OR REPLACE FUNCTION inventory.%1 RETURNS %2 LANGUAGE plpgsql"
                             " %3 SET search_path = pg_catalog, pg_temp AS $body$\n%4\n$body$")
                  .arg(f.signature, f.returns,
                       definer ? QStringLiteral("SECURITY DEFINER") : QString(),
                       block(filled(f.body))));
    const QString function = typesOnly(f.signature);
    c.execute(QStringLiteral("DO $own$ BEGIN EXECUTE format('ALTER FUNCTION %1 OWNER TO %I',"
                             " current_database() || '_changes'); END $own$")
                  .arg(function));
    c.execute(QStringLiteral("REVOKE ALL ON FUNCTION %1 FROM PUBLIC").arg(function));
    if (f.use == Use::Users)
        c.execute(QStringLiteral("DO $grant$ BEGIN EXECUTE format('GRANT EXECUTE ON FUNCTION %1"
                                 " TO %I, %I', current_database() || '_users',"
                                 " current_database() || '_keeper'); END $grant$")
                      .arg(function));
    if (f.use == Use::Keeper)
        c.execute(QStringLiteral("DO $grant$ BEGIN EXECUTE format('GRANT EXECUTE ON FUNCTION %1"
                                 " TO %I', current_database() || '_keeper'); END $grant$")
                      .arg(function));
}

// Every function, in the order they are made.
const std::span<const Function> kGroups[] = {kRights, kTree, kAudit, kChanges, kStatus};

// The writer role creates log-ins through the keeper's functions, which
// check the caller themselves.
const QString kKeeperCalls = QStringLiteral(R"SQL(
DO $keeper$ BEGIN
    EXECUTE format('GRANT EXECUTE ON FUNCTION inventory.login_create(text, text),'
                   ' inventory.login_set_admin(text, boolean) TO %I',
                   current_database() || '_changes');
END $keeper$)SQL");

// The users read the audit lines of the formulary and their own; the
// administrators read all. Only the writer role adds lines, and no one but
// the owner changes or removes one.
const QString kAuditRows = QStringLiteral(R"SQL(
DO $audit$
DECLARE
    users text := current_database() || '_users';
    changes text := current_database() || '_changes';
    t text;
BEGIN
    FOREACH t IN ARRAY ARRAY['inventory.tbaudit', 'patient_data.tbaudit'] LOOP
        EXECUTE format('REVOKE ALL ON %s FROM %I, %I', t, users, changes);
        EXECUTE format('GRANT SELECT ON %s TO %I', t, users);
        EXECUTE format('GRANT INSERT ON %s TO %I', t, changes);
        EXECUTE format('ALTER TABLE %s ENABLE ROW LEVEL SECURITY', t);
        EXECUTE format('DROP POLICY IF EXISTS audit_read ON %s', t);
        EXECUTE format('CREATE POLICY audit_read ON %s FOR SELECT TO %I USING ('
                       'entry_kind NOT IN (''user'', ''user rights'')'
                       ' OR entry_name = session_user'
                       ' OR inventory.caller_may(''administrator''))', t, users);
        EXECUTE format('DROP POLICY IF EXISTS audit_write ON %s', t);
        EXECUTE format('CREATE POLICY audit_write ON %s FOR INSERT TO %I WITH CHECK (true)',
                       t, changes);
    END LOOP;
END
$audit$)SQL");

} // namespace

void setUpAudit(db::Connection& c) {
    c.execute(kAuditRows);
}

void setUp(db::Connection& c) {
    c.execute(kRoles);
    c.execute(QString(kSessionRows)
                  .replace(QLatin1String("{SESSION_TABLES}"),
                           QLatin1Char('\'') + sessionTables().join(QStringLiteral("', '")) +
                               QLatin1Char('\'')));
    for (const std::span<const Function> group : kGroups)
        for (const Function& f : group)
            create(c, f);
    // The keeper's guard asks caller_may whether the caller administers.
    server_roles::setUp(c);
    c.execute(kKeeperCalls);
}

bool callerIsOwner(db::Connection& c) {
    return c.query(QStringLiteral("SELECT ") + kCallerIsOwner).field(0).toBool();
}

const QStringList& sessionTables() {
    static const QStringList tables = {
        QStringLiteral("tbsession"), QStringLiteral("tbfortraceparent"),
        QStringLiteral("tbformularynodelevel"), QStringLiteral("tbformularyreport")};
    return tables;
}

std::vector<std::pair<QString, bool>> functions() {
    std::vector<std::pair<QString, bool>> list;
    for (const std::span<const Function> group : kGroups)
        for (const Function& f : group)
            list.emplace_back(typesOnly(f.signature), f.use == Use::Users);
    return list;
}

} // namespace database::server_changes
