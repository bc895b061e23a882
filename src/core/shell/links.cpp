#include "core/shell/links.h"

namespace ruvo::shell {

namespace {
std::string percentEncode(const std::string& s) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

void cannotOpen(const platform::Ports& ports, const std::string& what) {
  ports.dialogs->message(what + "\r\n\r\nこのファイルを開けるアプリケーションがありません");
}
}  // namespace

const std::vector<WebLink>& WebLinks() {
  static const std::vector<WebLink> links = {
      {"acLinkProduct", "ルーヴォのページ(&R)", "https://tovimeter.example.org/ruvo/"},
      {"acLinkHome", "ホームページ(&H)", "https://tovimeter.example.org/"},
      {"acLinkInstitute", "研究所のページ(&I)", "https://tovimeter.example.org/institute/"},
  };
  return links;
}

void OpenWebLink(const platform::Ports& ports, const WebLink& link) {
  if (!ports.shell->open(link.url)) cannotOpen(ports, link.url);
}

const std::vector<MailKindInfo>& MailKinds() {
  static const std::vector<MailKindInfo> kinds = {
      {MailKind::acSendEmail, "acSendEmail", "メールを送る(&M)", "利用者より"},
      {MailKind::acQue, "acQue", "質問(&Q)", "質問"},
      {MailKind::acWish, "acWish", "要望(&W)", "要望"},
      {MailKind::acError, "acError", "誤作動(&E)", "誤作動"},
      {MailKind::acInf, "acInf", "連絡(&I)", "連絡"},
  };
  return kinds;
}

std::string SupportMailUrl(MailKind kind) {
  std::string word;
  for (const auto& k : MailKinds())
    if (k.kind == kind) word = k.word;
  // No empty "cc=" field: a blank carbon-copy address is no address, and some mail programs
  // would add it as a recipient.
  return std::string("mailto:") + kSupportAddress + "?subject=" + percentEncode(std::string("ルーヴォ") + word) +
         "&body=" + percentEncode("用件をお書きください");
}

void ComposeSupportMail(const platform::Ports& ports, MailKind kind) {
  if (!ports.shell->open(SupportMailUrl(kind))) cannotOpen(ports, kSupportAddress);
}

}  // namespace ruvo::shell
