#pragma once

#include <QDialog>

class QLabel;

namespace db {
struct Target;
}

// "About Formulary": the program's icon, name and version, and the database
// of the run (never its password).
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    // Shows the version and where the database is.
    void Form_Load(const db::Target& database);

    QLabel* imgIcon = nullptr;
    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QLabel* lblDatabase = nullptr;
};
