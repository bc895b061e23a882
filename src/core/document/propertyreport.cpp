#include "core/document/propertyreport.h"

#include <cstddef>

#include "core/document/document.h"
#include "core/document/documentfile.h"
#include "core/document/pagecontroler.h"

namespace ruvo::doc {

std::string PropertyReport(const TDocument& d) {
  const TPageControler& p = d.Pages();
  if (d.Path().empty() && p.PageCount() == 0) return "ファイルは 読み込まれていません";
  const std::string br = kLineBreak2;
  std::string s = br;
  for (const int index : {prTitle, prWriter, prDate, prCategory, prComment, prNaming})
    s += std::string(kPropertyKeys[static_cast<std::size_t>(index)]) + ": " + p.Property(index) + br;
  s += "--------------------" + br;
  if (p.Setting(stAutoQA) != 0) {
    s += "オンライン解答: 有効" + br;
    if (p.Setting(stScore) != 0) s += "採点詳細: 表示" + br;
  }
  if (p.Setting(stChunks) != 0) s += "チャンク提示: 有効" + br;
  if (p.Setting(stFadeNext) != 0) s += "フェードイン: 有効" + br;
  s += "--------------------" + br;
  const struct {
    const char* label;
    int index;
  } indents[] = {{"書き出しの字下げ: ", stTextIndent},
                 {"左インデント: ", stLeftIndent},
                 {"右インデント: ", stRightIndent},
                 {"タブのぶら下げインデント: ", stTabSink},
                 {"段下げ: ", stTabIndent}};
  for (const auto& in : indents) {
    const int value = p.Setting(in.index);
    if (value != kSettingDefaults[static_cast<std::size_t>(in.index)]) s += in.label + std::to_string(value) + br;
  }
  return s;
}

}  // namespace ruvo::doc
