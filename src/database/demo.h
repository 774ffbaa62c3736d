#pragma once

#include <QString>

namespace database {

// What the demo data hold.
struct DemoSummary {
    int classifications = 0;
    int generics = 0; // placed under classifications
    int unassignedGenerics = 0;
    int items = 0;
    int drugs = 0;
    int otherDetails = 0;
    int users = 0;
};

// Creates the database named by the target when it is missing and fills it
// with the demo hospital: its record, the stock items, the formulary tree
// (written through the formulary data component), other details and the three
// demo users admin, pharmacist and viewer, whose passwords are the user name
// followed by "-demo". Refuses a database that holds a formulary already.
DemoSummary loadDemo(const QString& target);

} // namespace database
