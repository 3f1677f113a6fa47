#pragma once

#include <dataset/Connection.h>

#include <QString>
#include <memory>

// A database of its own for one test case on the private test server (started by the
// CTest fixture; its directory is in PARKING_TEST_SERVER_DIR): created with the schema
// (and, when asked, the demo data) and dropped on destruction.
class TestDatabase {
public:
    explicit TestDatabase(bool withDemoData = false);
    ~TestDatabase();
    TestDatabase(const TestDatabase &) = delete;
    TestDatabase &operator=(const TestDatabase &) = delete;

    dataset::Connection &connection();
    const QString &name() const;
    // Parameters for opening further connections to the same database.
    dataset::ConnectionParams params() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Runs the numbering migration once more, so the counters take in the documents a test
// stored with its own INSERTs (as an upgrade finds them in an older database).
void SeedNumberCounters(dataset::Connection &connection);

// Advances the parking documents' counter by one, as the module's save does, for a test
// that stores a parking document with its own INSERT.
void CountParkingDocument(dataset::Connection &connection);
