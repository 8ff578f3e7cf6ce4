// Decoding the records a session step filled, for people (text lines) and for
// programs (JSON).
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "session.h"

namespace trelhost {

// A fixed-size char field up to its NUL (or its end).
std::string FieldText(const char* text, size_t size);

// Readable lines for the records of a step, e.g. `info:  "Plover", revision 0x0206, ...`.
std::vector<std::string> DescribeResult(const trel::host::SessionStep& step);
// The same records as a JSON object; null when the step filled none.
nlohmann::ordered_json ResultJson(const trel::host::SessionStep& step);

// The step's arguments as numbers: the slot's u32 arguments by name, whether
// a context was passed, and each pointer argument (its name, null or its
// size, and the fields of the records the host fills for the module).
nlohmann::ordered_json ArgumentsJson(const trel::host::SessionStep& step);

nlohmann::ordered_json BusCallJson(const trel::host::BusCall& call);

// A camera board's stream format table: its frame sizes, frame rates and
// options, and whether any byte outside them is non-zero.
std::vector<std::string> DescribeStreamFormatTable(const trel::StreamFormatTable& table);
nlohmann::ordered_json StreamFormatTableJson(const trel::StreamFormatTable& table);

}  // namespace trelhost
