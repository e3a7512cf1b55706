#include "Intent/NativeAppBridge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace kivari::NativeAppBridge {
namespace {

// Records what would have been opened, and answers as told.
struct FakeLauncher {
  bool accepts = true;
  std::vector<std::string> opened;
  Launcher launcher() {
    return [this](const std::string& uri) {
      opened.push_back(uri);
      return accepts;
    };
  }
};

TEST(NativeAppBridgeAddress, MailPutsEachFieldInItsPlace) {
  EXPECT_EQ(mailtoAddress("bob", "Lunch", "At noon"), "mailto:bob?subject=Lunch&body=At%20noon");
  EXPECT_EQ(mailtoAddress("bob@example.com", "", ""),
            "mailto:bob%40example.com?subject=&body=");
  // An empty recipient is no recipient; subject and body keys stay.
  EXPECT_EQ(mailtoAddress("", "", ""), "mailto:?subject=&body=");
}

TEST(NativeAppBridgeAddress, MessagePutsBodyInItsPlace) {
  EXPECT_EQ(smsAddress("+1 555-0100", "on my way"), "sms:%2B1%20555-0100?body=on%20my%20way");
  EXPECT_EQ(smsAddress("mom", ""), "sms:mom?body=");
  EXPECT_EQ(smsAddress("", "hi"), "sms:?body=hi");
}

TEST(NativeAppBridgeAddress, NoFieldCanAddOrEndAnother) {
  const std::string mail = mailtoAddress("bob?bcc=x", "a&cc=y", "1#2\r\nBcc: z");
  EXPECT_EQ(mail, "mailto:bob%3Fbcc%3Dx?subject=a%26cc%3Dy&body=1%232%0D%0ABcc%3A%20z");
  // Exactly the delimiters the address itself writes.
  EXPECT_EQ(std::count(mail.begin(), mail.end(), '?'), 1);
  EXPECT_EQ(std::count(mail.begin(), mail.end(), '&'), 1);
  EXPECT_EQ(std::count(mail.begin(), mail.end(), '='), 2);

  EXPECT_EQ(smsAddress("mom?body=x", "a&body=b"), "sms:mom%3Fbody%3Dx?body=a%26body%3Db");
  EXPECT_EQ(mailtoAddress("%41", "+", "/"), "mailto:%2541?subject=%2B&body=%2F");
}

TEST(NativeAppBridgeAddress, KeepsUnreservedAndEncodesEveryOtherByte) {
  EXPECT_EQ(smsAddress("", "Az09-._~"), "sms:?body=Az09-._~");
  // UTF-8 bytes one by one, upper-case hex; bytes that are not UTF-8 as well.
  EXPECT_EQ(smsAddress("", "caf\xC3\xA9 \xF0\x9F\x98\x80"), "sms:?body=caf%C3%A9%20%F0%9F%98%80");
  EXPECT_EQ(smsAddress("", std::string("\xFF\x00x", 3)), "sms:?body=%FF%00x");
}

TEST(NativeAppBridgeOpen, HandsTheAddressToTheLauncherAndReportsIt) {
  FakeLauncher fake;
  EXPECT_TRUE(openMail("bob?bcc=x", "", "hi", fake.launcher()));
  EXPECT_TRUE(openMessages("", "", fake.launcher()));
  EXPECT_EQ(fake.opened,
            (std::vector<std::string>{"mailto:bob%3Fbcc%3Dx?subject=&body=hi", "sms:?body="}));
}

TEST(NativeAppBridgeOpen, ReportsFalseWhenNothingTakesTheMessage) {
  FakeLauncher fake;
  fake.accepts = false;
  EXPECT_FALSE(openMail("a@b.c", "s", "b", fake.launcher()));
  EXPECT_FALSE(openMessages("mom", "late", fake.launcher()));
  EXPECT_EQ(fake.opened.size(), 2u);

  EXPECT_FALSE(openMail("a@b.c", "s", "b", Launcher{}));
  EXPECT_FALSE(openMessages("mom", "late", Launcher{}));
}

}  // namespace
}  // namespace kivari::NativeAppBridge
