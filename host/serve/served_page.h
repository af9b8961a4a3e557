// served_page: the desks' page, one HTML file with its style and script inside, compiled into
// zeth-host so that serving it reads no file and fetches nothing from elsewhere.
#pragma once

#include <string>

// The page's text; lives as long as the program. Any thread.
const std::string& servedPage();
