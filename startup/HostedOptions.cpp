#include "startup/HostedOptions.h"

#include <array>

namespace kal {
namespace {

std::string_view Trim(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\n')) t.remove_suffix(1);
  return t;
}

int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v < base ? v : -1;
}

// Digits of one base, up to `limit`; nullopt for no digits, a stray
// character or a value above the limit.
std::optional<std::uint64_t> Digits(std::string_view t, int base, std::uint64_t limit) {
  if (t.empty()) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : t) {
    const int d = DigitValue(c, base);
    if (d < 0) return std::nullopt;
    v = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    if (v > limit) return std::nullopt;
  }
  return v;
}

// The option's name without its dashes when it is one of ours ("root",
// "window-id", "count", "help", "version"), else empty. The value after "=" in `inlineValue`.
std::string_view OptionName(std::string_view arg, std::optional<std::string_view>& inlineValue) {
  static constexpr std::array<std::string_view, 5> kNames = {"root", "window-id", "count", "help", "version"};
  if (arg.size() < 2 || arg[0] != '-') return {};
  arg.remove_prefix(arg[1] == '-' ? 2 : 1);
  inlineValue.reset();
  if (std::size_t eq = arg.find('='); eq != std::string_view::npos) {
    inlineValue = arg.substr(eq + 1);
    arg = arg.substr(0, eq);
  }
  for (std::string_view name : kNames) {
    if (arg == name) return name;
  }
  return {};
}

}  // namespace

std::optional<Handle> ParseWindowId(std::string_view text) {
  text = Trim(text);
  std::optional<std::uint64_t> v;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    v = Digits(text.substr(2), 16, 0xFFFFFFFFu);
  } else {
    v = Digits(text, 10, 0xFFFFFFFFu);
  }
  if (!v) return std::nullopt;
  return static_cast<Handle>(*v);
}

HostedOptions ParseHostedOptions(const std::vector<std::string>& args, const char* xscreensaverWindow) {
  HostedOptions out;
  std::optional<std::string_view> inlineValue;
  // The first argument decides: the desktop's switches ("/s", "-s", "/p 42")
  // keep their meaning, and so does every single-dash word that is not one of
  // ours. Anything with two dashes is ours, and so an error when unknown.
  if (args.empty()) return out;
  if (OptionName(args[0], inlineValue).empty() && args[0].rfind("--", 0) != 0) return out;

  auto fail = [&](std::string why) {
    out = HostedOptions{};
    out.mode = HostedOptions::Mode::Error;
    out.error = std::move(why);
    return out;
  };
  bool root = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const std::string_view name = OptionName(arg, inlineValue);
    if (name.empty()) return fail("unknown option \"" + arg + "\"");
    if (name == "help" || name == "version" || name == "root") {
      if (inlineValue) return fail("\"" + arg + "\" takes no value");
      if (name == "help" || name == "version") {
        out.mode = name == "help" ? HostedOptions::Mode::Help : HostedOptions::Mode::Version;
        return out;
      }
      root = true;
      continue;
    }
    std::string value;
    if (inlineValue) {
      value = std::string(*inlineValue);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return fail("\"" + arg + "\" needs a value");
    }
    if (name == "window-id") {
      out.window = ParseWindowId(value);
      if (!out.window) return fail("\"" + value + "\" is no window id (decimal or 0x-hexadecimal, 32 bits)");
    } else {
      std::optional<std::uint64_t> count = Digits(value, 10, kHostedCountMax);
      if (!count || *count < kHostedCountMin) {
        return fail("the count must be a whole number from " + std::to_string(kHostedCountMin) + " to " +
                    std::to_string(kHostedCountMax) + ", not \"" + value + "\"");
      }
      out.count = static_cast<std::int16_t>(*count);
    }
  }
  if (!out.window && !root) return fail("nothing to draw into: give --root or --window-id");
  if (!out.window && xscreensaverWindow != nullptr && *xscreensaverWindow != '\0') {
    out.window = ParseWindowId(xscreensaverWindow);
    if (!out.window) {
      // The daemon's own programs then draw on the root window too.
      out.warning = "XSCREENSAVER_WINDOW=\"" + std::string(xscreensaverWindow) +
                    "\" is no window id; drawing on the root window";
    }
  }
  out.mode = HostedOptions::Mode::Draw;
  return out;
}

std::string HostedUsage(std::string_view program) {
  const std::string p(program);
  return "usage: " + p + " --root [--count N]\n" +  //
         "       " + p + " --window-id ID [--count N]\n" +
         "  --root          draw on the root window, or in $XSCREENSAVER_WINDOW when it names one\n"
         "  --window-id ID  draw in the window ID (decimal or 0x-hexadecimal)\n"
         "  --count N       particles, " +
         std::to_string(kHostedCountMin) + " to " + std::to_string(kHostedCountMax) +
         " (default: the settings file's)\n"
         "  (one dash works too: -root, -window-id ID, -count N)\n"
         "       " +
         p +
         " --version        the version and the window systems it runs on\n"
         "       " +
         p + " /s | /c | /p HANDLE   the desktop saver's own switches\n";
}

}  // namespace kal
