#pragma once

#include <functional>
#include <string>
#include <string_view>

// Hands a composed message to the desktop's own mail or messaging program;
// the user sends it from there.
namespace kivari::NativeAppBridge {

// What became of a hand-off.
enum class Outcome { taken, noProgram, tooLong };

// Told once whether a program took the address: before the launch returns,
// or later on the main loop when the answer has to come from elsewhere.
using Done = std::function<void(bool taken)>;
// Opens an address with whatever program handles it.
using Launcher = std::function<void(const std::string& uri, Done done)>;

// Asks GIO for the default handler of the address's scheme. A handler the
// session bus starts answers only once the bus has.
void launchWithDefaultHandler(const std::string& uri, Done done);

// Every field is percent-encoded, so no field can add header fields or end
// another. An empty recipient leaves the address part empty; the subject and
// body keys are always written, empty or not.
std::string mailtoAddress(std::string_view to, std::string_view subject, std::string_view body);
std::string smsAddress(std::string_view to, std::string_view body);

// Hands the fields, as typed, to `launch` and tells `answer` once what became
// of them. An address longer than a program may be given is not launched.
using Answer = std::function<void(Outcome)>;
void openMail(std::string_view to, std::string_view subject, std::string_view body, Answer answer,
              const Launcher& launch = launchWithDefaultHandler);
void openMessages(std::string_view to, std::string_view body, Answer answer,
                  const Launcher& launch = launchWithDefaultHandler);

}  // namespace kivari::NativeAppBridge
