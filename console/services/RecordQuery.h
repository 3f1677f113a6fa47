#pragma once

#include <dataset/Query.h>

#include <vector>

namespace console {

// Opens 'query' and turns each of its rows into a record with 'read', in row order.
template <typename Record, typename Read>
std::vector<Record> ReadRecords(dataset::Query &query, Read read)
{
    query.Open();
    std::vector<Record> records;
    records.reserve(static_cast<std::size_t>(query.RecordCount()));
    for (query.First(); !query.Eof(); query.Next())
        records.push_back(read(query));
    return records;
}

} // namespace console
