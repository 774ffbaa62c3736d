#pragma once

#include <QString>
#include <memory>
#include <vector>

class frmFormulary;
class frmList;

namespace bench {

// That many new generic names under no classification, "<prefix> 001" on,
// made as the generic names window makes them; their codes.
std::vector<qint64> addUnplacedGenerics(const QString& target, const QString& prefix, int count);

// The editor of a classification's generic names, opened on its node in the
// main window's tree as its command opens it, with the names the search
// finds ticked with the space key, as a user leaves it before pressing Add.
// Throws unless it ticked `ticked` rows.
std::unique_ptr<frmList> editorWithTicked(frmFormulary& main, const QString& classificationKey,
                                          qint64 classification, const QString& search, int ticked);

} // namespace bench
