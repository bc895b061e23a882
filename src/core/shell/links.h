#pragma once
// The project's addresses, kept in this one place: the support mailbox and the three pages of the
// "Link web site(&L)" menu. Change them here and nowhere else.
#include <string>
#include <vector>

#include "core/platform/ports.h"

namespace ruvo::shell {

inline constexpr const char* kSupportAddress = "support@tovimeter.example.org";

struct WebLink {
  const char* action;   // the menu item's name
  const char* caption;  // the menu item's text
  const char* url;
};

// Product page, home page, institute page, in menu order.
const std::vector<WebLink>& WebLinks();

// Opens the page through the shell; a failure is told in a message box.
void OpenWebLink(const platform::Ports& ports, const WebLink& link);

// The support mail's kinds: the action that composes it and the word after the product name in
// the subject.
enum class MailKind { acSendEmail, acQue, acWish, acError, acInf };
struct MailKindInfo {
  MailKind kind;
  const char* action;
  const char* caption;  // menu text
  const char* word;     // subject word
};
const std::vector<MailKindInfo>& MailKinds();

// mailto: URL with the subject "ルーヴォ" + kind word and the body "用件をお書きください",
// percent-encoded as UTF-8 so that every mail program reads the Japanese text.
std::string SupportMailUrl(MailKind kind);

// Hands the message to the user's mail program; a failure is told in a message box.
void ComposeSupportMail(const platform::Ports& ports, MailKind kind);

}  // namespace ruvo::shell
