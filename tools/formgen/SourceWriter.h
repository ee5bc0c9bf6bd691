#pragma once
// Writes the generated header and source: the template data, the routine
// order, and the window and unit identifiers by symbol.

#include "tools/formgen/Description.h"

#include <string>
#include <vector>

namespace quilbex::tools {

std::string write_templates_header(const FormsDescription& description, std::size_t data_size, const std::string& ns,
                                   const std::string& source_name);
std::string write_templates_source(const std::vector<std::uint8_t>& data, const std::string& ns,
                                   const std::string& header_include);

}  // namespace quilbex::tools
