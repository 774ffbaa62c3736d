#pragma once

#include "database/formulary_status.h"

class QTreeWidgetItem;

namespace ui {
class KeyedTree;
}

// The formulary status as the tree shows it: a mark on the node's picture
// and a tooltip that names the status and restriction. A drug under a
// generic name that is Non-formulary or Withdrawn shows the generic name's
// status; otherwise its own.
namespace status_marks {

// Gives the tree its marked pictures.
void setUp(ui::KeyedTree& tree);

// Whether a generic name's status passes to its drugs.
bool passesToDrugs(database::formulary_status::Status status);

// Shows the status on the node; Formulary shows nothing.
void show(QTreeWidgetItem* node, database::formulary_status::Status status,
          const QString& restriction, bool fromGenericName = false);

// The node's status as its mark shows it.
database::formulary_status::Status shown(const QTreeWidgetItem* node);

// Shows a drug's own status unless its generic name's node passes its own on.
void showDrug(QTreeWidgetItem* drug, const QTreeWidgetItem* genericName,
              database::formulary_status::Status status, const QString& restriction);

} // namespace status_marks
