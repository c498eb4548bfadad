// Opening a sample database in a fresh database state.
#pragma once

#include "database/catalogue.h"
#include "support/sample_database.h"

namespace velmora::database {

/// A database state with the sample's catalogue read.
inline DatabaseState OpenSample(const testing::SampleDatabase& data) {
    DatabaseState db;
    SetAppPath(db, data.Folder());
    LoadCatalogue(db);
    return db;
}

}  // namespace velmora::database
