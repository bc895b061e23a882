#pragma once
// The document property report: the properties, the presentation options that are on and the
// indents that differ from their defaults, as the property dialog shows them.
#include <string>

namespace ruvo::doc {

class TDocument;

// "ファイルは 読み込まれていません" while nothing is open (no path and no pages).
std::string PropertyReport(const TDocument& d);

}  // namespace ruvo::doc
