#pragma once

#include <string>

class RunLog;
class SiteCollection;

// Writes stem + "_freq_table.csv" and stem + "_site_collection_log.txt". A file
// that cannot be created gets "WARNING: could not write <name>" on the run log
// channel and the run goes on.
void writeCollectionLogs(const SiteCollection& collection, const std::string& stem, RunLog& log);
