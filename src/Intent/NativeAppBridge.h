#pragma once

#include <functional>
#include <string>
#include <string_view>

// Hands a composed message to the desktop's own mail or messaging program;
// the user sends it from there.
namespace kivari::NativeAppBridge {

// Opens an address with whatever program handles it; true when one took it.
using Launcher = std::function<bool(const std::string& uri)>;

// Asks GIO for the default handler of the address's scheme.
bool launchWithDefaultHandler(const std::string& uri);

// Every field is percent-encoded, so no field can add header fields or end
// another. An empty recipient leaves the address part empty; the subject and
// body keys are always written, empty or not.
std::string mailtoAddress(std::string_view to, std::string_view subject, std::string_view body);
std::string smsAddress(std::string_view to, std::string_view body);

// True when a handler took the message, false when nothing can send it (the
// composer then keeps the user's text). Fields are passed as typed.
bool openMail(std::string_view to, std::string_view subject, std::string_view body,
              const Launcher& launch = launchWithDefaultHandler);
bool openMessages(std::string_view to, std::string_view body,
                  const Launcher& launch = launchWithDefaultHandler);

}  // namespace kivari::NativeAppBridge
