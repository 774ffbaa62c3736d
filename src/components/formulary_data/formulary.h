#pragma once

#include "database/change.h"
#include "platform/db/connection.h"

#include <QSet>
#include <memory>
#include <optional>

namespace formulary_data {

// The list calls take a match scope as their second argument:
//   MatchName (1)            the search text is looked for in the name;
//   MatchNameOrDescription (3) in the name or, for drugs, the description too.
// Matching is "contains", case-insensitive and Unicode-aware; '%' and '_' are
// plain characters; an empty text matches every row. Rows come ordered by
// folded name, then id.
enum MatchScope { MatchName = 1, MatchNameOrDescription = 3 };

// The filter code of OtherDrugs: which drugs outside the generic name to list.
//   FilterNone (0) and FilterAll (1)  all of them;
//   FilterUnclassified (2)            only drugs under no generic name;
//   FilterClassified (3)              only drugs under another generic name.
enum DrugFilter { FilterNone = 0, FilterAll = 1, FilterUnclassified = 2, FilterClassified = 3 };

class Formulary;

// The node lookup: after SearchNode answers true, the other members describe
// that node until the next search.
class NodeFormularyObject {
public:
    explicit NodeFormularyObject(Formulary& owner) : m_owner(owner) {}

    // True when a stored node other than the root has the key.
    bool SearchNode(const QString& key);
    const QString& node_type() const { return m_type; }
    qint64 Node_ID() const { return m_id; }
    const QString& NameOfNode() const { return m_name; }
    // The node as found: its key, type and id (a drug's id is its itemid).
    database::NodeIdentity Identity() const { return m_identity; }
    // The root, which SearchNode does not find.
    static database::NodeIdentity RootIdentity();
    // The node with the key as stored now, the root included; nothing when
    // there is none. A search as SearchNode's.
    std::optional<database::NodeIdentity> IdentityOf(const QString& key);

    // The numbers of the stored children of a node, for making free keys.
    QSet<qint64> ChildNumbers(const QString& parentKey);

private:
    Formulary& m_owner;
    QString m_type;
    qint64 m_id = 0;
    QString m_name;
    database::NodeIdentity m_identity;
};

class ClassificationsObject {
public:
    explicit ClassificationsObject(Formulary& owner) : m_owner(owner) {}

    // The children of ParentNode, or with LoadAll every node below it, parents
    // before children; siblings ordered by folded name. Fields: node_type,
    // Node_Key, Node_Parent, ClassificationName, GenericName, DrugName, ItemID,
    // EntryID, FormularyStatus (a generic name's or drug's stored status as
    // formulary_status::statusText shows it; Null for none).
    db::Recordset LoadClassifications(const QString& ParentNode, bool LoadAll);

    // Every change names its node as the caller saw it (key, type and id).

    // Stores a new classification under the root or a classification. The key
    // must be a child key of the parent; when another workstation took it, the
    // next free one is used and written back. The item code is not used: the
    // classification gets a new id.
    bool AddClassification(const database::NodeIdentity& parent, QString& newKey,
                           const QString& name, qint64 itemCode, const QString& description = {});
    bool RenameClassification(const database::NodeIdentity& node, const QString& newName);
    // Refused while anything is stored under the classification.
    bool DeleteClassification(const database::NodeIdentity& node);
    // Whether a classification has the name; the database's comparison
    // decides about letter case.
    bool ClassificationExists(const QString& name);

    // Generic names under the classification / not under it. Fields:
    // GenericName, Node_Key, GenericID, ClassificationKey, ClassificationName
    // ("no classification" for a generic name under none). Withdrawn generic
    // names are left out of the others unless asked for.
    db::Recordset LoadGenerics(qint64 classificationId, int scope, const QString& search);
    db::Recordset OtherGenerics(qint64 classificationId, int scope, const QString& search,
                                bool withWithdrawn = true);

private:
    db::Recordset genericList(bool inside, qint64 classificationId, int scope,
                              const QString& search, bool withWithdrawn);
    Formulary& m_owner;
};

class GenericsObject {
public:
    explicit GenericsObject(Formulary& owner) : m_owner(owner) {}

    // True when the generic name has a node; NodeKey is then its key.
    bool SearchGeneric(qint64 genericCode);
    const QString& NodeKey() const { return m_nodeKey; }

    // Puts the generic name under a classification with the given key, in
    // place of wherever it sat before; refused while drugs are under it. A code
    // of 0 or less makes a new generic name with the given name.
    bool AddGeneric(const database::NodeIdentity& parent, QString& newKey, const QString& name,
                    qint64 genericCode);
    // Takes the generic name out of its classification; refused while drugs are under it.
    bool DeleteGeneric(qint64 genericCode);
    // Whether drugs are stored under the generic name.
    bool HasDrugs(qint64 genericCode);

    // Drugs under the generic name / not under it. Fields: DrugName,
    // Description, GenericName ("Unclassified" for a drug under none), ItemID, Node_Key.
    // Drugs withdrawn, or under a withdrawn generic name, are left out of the
    // others unless asked for.
    db::Recordset LoadDrugs(qint64 genericId, int scope, const QString& search);
    db::Recordset OtherDrugs(qint64 genericId, int scope, const QString& search, int filter,
                             bool withWithdrawn = true);

    // The master list: Code, GenericName.
    db::Recordset ListGeneric(const QString& search);
    bool NewGeneric(const QString& name, qint64* newCode = nullptr);
    bool RenameGeneric(qint64 genericCode, const QString& newName);
    // Whether a generic name is spelled so, letter case included.
    bool GenericExists(const QString& name);

private:
    Formulary& m_owner;
    QString m_nodeKey;
};

class DrugsObject {
public:
    explicit DrugsObject(Formulary& owner) : m_owner(owner) {}

    // True when the stock item has a node; NodeKey is then its key.
    bool SearchDrug(const QString& itemId);
    const QString& NodeKey() const { return m_nodeKey; }

    // Puts the stock item under a generic name with the given key, in place of
    // wherever it sat before. The name argument is not used: a drug shows its
    // item's name and description.
    bool AddDrug(const database::NodeIdentity& parent, QString& newKey, const QString& name,
                 const QString& itemId);
    bool DeleteDrug(const QString& itemId);

private:
    Formulary& m_owner;
    QString m_nodeKey;
};

// The formulary data component: stores the formulary tree, on its own
// connection. Every change is one transaction; a change that the rules of the
// tree refuse changes nothing and answers false.
class Formulary {
public:
    Formulary();
    ~Formulary();

    // Connects to the database named by the connection string (a folder or a
    // postgresql:// URL). False when it cannot be reached or is not current.
    bool Connect(const QString& connectionstr);
    bool isConnected() const;
    // Throws AppError when not connected.
    db::Connection& connection();

    NodeFormularyObject NodeFormulary;
    ClassificationsObject Classifications;
    GenericsObject Generics;
    DrugsObject Drugs;

private:
    std::unique_ptr<db::Connection> m_connection;
};

} // namespace formulary_data
