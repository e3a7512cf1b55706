#include "Intent/NativeAppBridge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace kivari::NativeAppBridge {
namespace {

// Records what would have been opened, and answers as told.
struct FakeLauncher {
  bool accepts = true;
  std::vector<std::string> opened;
  Launcher launcher() {
    return [this](const std::string& uri, const Done& done) {
      opened.push_back(uri);
      done(accepts);
    };
  }
};

// Each answer a hand-off gave, in order.
struct Answers {
  std::vector<Outcome> heard;
  Answer answer() {
    return [this](Outcome outcome) { heard.push_back(outcome); };
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
  Answers answers;
  openMail("bob?bcc=x", "", "hi", answers.answer(), fake.launcher());
  openMessages("", "", answers.answer(), fake.launcher());
  EXPECT_EQ(fake.opened,
            (std::vector<std::string>{"mailto:bob%3Fbcc%3Dx?subject=&body=hi", "sms:?body="}));
  EXPECT_EQ(answers.heard, (std::vector<Outcome>{Outcome::taken, Outcome::taken}));
}

TEST(NativeAppBridgeOpen, ReportsNoProgramWhenNothingTakesTheMessage) {
  FakeLauncher fake;
  fake.accepts = false;
  Answers answers;
  openMail("a@b.c", "s", "b", answers.answer(), fake.launcher());
  openMessages("mom", "late", answers.answer(), fake.launcher());
  EXPECT_EQ(fake.opened.size(), 2u);

  openMail("a@b.c", "s", "b", answers.answer(), Launcher{});
  openMessages("mom", "late", answers.answer(), Launcher{});
  EXPECT_EQ(answers.heard, std::vector<Outcome>(4, Outcome::noProgram));
}

// One argument on Linux is at most 131072 bytes with its closing NUL: an
// address of 131071 bytes goes, one byte more is too long and never launched.
TEST(NativeAppBridgeOpen, AnAddressTooLongForOneArgumentIsNotLaunched) {
  FakeLauncher fake;
  Answers answers;
  const std::string mailFits(131071 - std::string_view("mailto:?subject=&body=").size(), 'a');
  const std::string smsFits(131071 - std::string_view("sms:?body=").size(), 'a');
  ASSERT_EQ(mailtoAddress("", "", mailFits).size(), 131071u);
  ASSERT_EQ(smsAddress("", smsFits).size(), 131071u);
  openMail("", "", mailFits, answers.answer(), fake.launcher());
  openMessages("", smsFits, answers.answer(), fake.launcher());
  EXPECT_EQ(fake.opened.size(), 2u);

  openMail("", "", mailFits + "a", answers.answer(), fake.launcher());
  openMessages("", smsFits + "a", answers.answer(), fake.launcher());
  // 50,000 "é" take 300,000 bytes once encoded; the recipient counts too.
  std::string accents;
  for (int i = 0; i < 50000; ++i) accents += "\xC3\xA9";
  openMail("bob", "", accents, answers.answer(), fake.launcher());
  openMail(std::string(131071, 'a'), "", "", answers.answer(), fake.launcher());
  // Too long whoever would have taken it.
  openMessages("", smsFits + "a", answers.answer(), Launcher{});
  EXPECT_EQ(fake.opened.size(), 2u);
  EXPECT_EQ(answers.heard, (std::vector<Outcome>{Outcome::taken, Outcome::taken, Outcome::tooLong,
                                                 Outcome::tooLong, Outcome::tooLong, Outcome::tooLong,
                                                 Outcome::tooLong}));
}

}  // namespace
}  // namespace kivari::NativeAppBridge
