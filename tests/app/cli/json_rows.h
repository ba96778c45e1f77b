// Reads tavora-query's JSON back with Python's strict JSON reader
// (tests/app/cli/json_rows.py), and what that reading should give for rows.
#pragma once

#include <string>
#include <vector>

#include "app/core/ticket_row.h"

// Checks `json` (one or more arrays) and returns the script's reading of it,
// or false with the script's reason.
bool ReadJsonRows(const std::string& json, std::string& reading, std::string& reason);

// The reading of one array holding `rows` and then the gone trains `gone`,
// built from the documented key names.
std::string ExpectedReading(const std::vector<TicketRow>& rows, const std::vector<std::wstring>& gone = {});
