// A full consistency check of a table, for tests and diagnostics: every
// page of every index (kinds, entry counts, key order inside and across
// pages, parent keys equal to their children's first keys, subtree counts,
// sibling links on every level, free chains, no page lost or used twice)
// and every slot of the data file against every index and the free chain.
#pragma once

#include <string>
#include <vector>

namespace morvel {

class DataTable;

// One line per problem found (at most 50); empty when the table is intact.
// Reads through the table's caches, so it sees changes not yet written.
std::vector<std::string> checkTableIntegrity(DataTable& table);

}  // namespace morvel
