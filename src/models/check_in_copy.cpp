#include "models/check_in_copy.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "models/duration_text.h"

namespace pimble {
namespace {

// The middle dot (U+00B7) between a title's two halves.
constexpr const char* kDot = " \u00B7 ";
constexpr const char* kOpenQuote = "\u201C";
constexpr const char* kCloseQuote = "\u201D";

std::string duration(double seconds) {
  return DurationText::shortText(seconds);
}

// Minutes as seconds without integer overflow, whatever a file held.
double minutesToSeconds(std::int64_t minutes) {
  return static_cast<double>(minutes) * 60.0;
}

bool odd(std::int64_t v) {
  return v % 2 != 0;
}

std::string keepLabel(AppCategory category) {
  switch (category) {
    case AppCategory::video:
      return "Keep watching";
    case AppCategory::game:
      return "Keep playing";
    default:
      return "Keep going";
  }
}

std::string usagePhrase(const CheckInCopy::Context& c, const std::string& d) {
  switch (c.category) {
    case AppCategory::video:
      return "watching for " + d;
    case AppCategory::game:
      return "playing for " + d;
    default:
      return "on " + c.appName + " for " + d;
  }
}

std::uint32_t upperCodePoint(std::uint32_t c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;  // à … þ
  if (c == 0xFF) return 0x178;                               // ÿ
  if (c == 0x131) return 'I';                                // dotless i
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
    return (c % 2 == 1) ? c - 1 : c;  // Latin Extended-A pairs, lower case odd
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
    return (c % 2 == 0) ? c - 1 : c;              // pairs with lower case even
  if (c == 0x3C2) return 0x3A3;                   // final sigma
  if (c >= 0x3B1 && c <= 0x3C9) return c - 0x20;  // Greek
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;  // Cyrillic
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

std::string encodeUtf8(std::uint32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// The fields every intention and session card shares.
CheckIn aboutIntention(CheckIn card, const Intention& i, AwarenessMode mode,
                       std::vector<int> laterMinutes) {
  card.kind = CheckIn::Kind::intention(i.id, i.bundleID, i.appName);
  card.mode = mode;
  card.laterMinutes = std::move(laterMinutes);
  card.returnTo = i.returnTo;
  card.activeSeconds = i.activeSeconds;
  card.moreTime = true;
  return card;
}

}  // namespace

std::string CheckInCopy::capitalizedFirst(const std::string& text) {
  if (text.empty()) return text;
  const auto b0 = static_cast<unsigned char>(text[0]);
  std::uint32_t c = 0;
  std::size_t length = 0;
  if (b0 < 0x80) {
    c = b0;
    length = 1;
  } else if ((b0 & 0xE0) == 0xC0 && text.size() >= 2) {
    c = b0 & 0x1F;
    length = 2;
  } else if ((b0 & 0xF0) == 0xE0 && text.size() >= 3) {
    c = b0 & 0x0F;
    length = 3;
  } else {
    return text;  // four-byte or malformed: no letter we upper-case
  }
  for (std::size_t i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if ((b & 0xC0) != 0x80) return text;
    c = (c << 6) | (b & 0x3F);
  }
  const std::uint32_t upper = upperCodePoint(c);
  if (upper == c) return text;
  std::string out = encodeUtf8(upper);
  out.append(text, length, std::string::npos);
  return out;
}

std::string CheckInCopy::timeUpTitle(std::int64_t minutes) {
  if (minutes == 1) return "Your 1 minute is up";
  if (minutes < 60) return "Your " + std::to_string(minutes) + " minutes are up";
  return "Time's up: " + duration(minutesToSeconds(minutes));
}

std::string CheckInCopy::appMessage(const Context& c, const std::string& d,
                                    const std::optional<ReturnTarget>& back) {
  const bool second = odd(c.variant);
  const std::string& app = c.appName;
  switch (c.tone) {
    case CheckInTone::friendly: {
      if (c.category == AppCategory::work)
        return "You've been at it for " + d + ". Want to stretch together?";
      const std::string usage = usagePhrase(c, d);
      if (c.mode == AwarenessMode::night)
        return "It's getting late, and you've been " + usage + ". One more, or call it a night?";
      if (back) return "You've been " + usage + ". Want to head back to " + back->name + "?";
      if (c.mode == AwarenessMode::work)
        return "You've been " + usage + ". Still what you planned?";
      if (c.category == AppCategory::video || c.category == AppCategory::game)
        return "You've been " + usage + ". Still enjoying it, or ready for a break?";
      return "You've been " + usage + ". Still having a good time?";
    }
    case CheckInTone::playful: {
      if (c.category == AppCategory::work)
        return second ? "Look at you go, " + d + " straight! Stretch break?"
                      : d + " of focus! Your shoulders are asking for a stretch.";
      if (c.mode == AwarenessMode::night)
        return "It's " + c.clock + "! Pimble is yawning. One more, or bedtime?";
      if (back)
        return second ? app + " has had you for " + d + "! Back to " + back->name + "?"
                      : "That was a pretty long " + app + " break! Back to " + back->name + "?";
      if (c.mode == AwarenessMode::work)
        return second ? d + " on " + app + ". Time flies, huh?"
                      : "That was a pretty long " + app + " break! Still on purpose?";
      if (c.category == AppCategory::video)
        return second ? "Wow, " + d + " already! Still loving it?"
                      : d + " of " + app + "! Snack break, or one more?";
      if (c.category == AppCategory::game)
        return second ? d + " in! Still having fun?"
                      : d + " of " + app + "! Water break, or one more round?";
      return second ? "Time flies! " + d + " on " + app + "!" : d + " on " + app + "! Still fun?";
    }
    case CheckInTone::direct:
      if (c.category == AppCategory::work) return app + ": " + d + " without a break. Stretch?";
      if (c.mode == AwarenessMode::night) return app + ": " + d + ". It's " + c.clock + ".";
      return app + ": " + d + ". Check-in set for " + duration(minutesToSeconds(c.limitMinutes)) +
             ".";
  }
  return {};
}

CheckIn CheckInCopy::appCheckIn(const Context& c) {
  const std::string d = duration(c.activeSeconds);
  std::optional<ReturnTarget> back;
  if (c.mode == AwarenessMode::work && c.category != AppCategory::work) back = c.returnTo;
  const std::string keep = keepLabel(c.category);

  CheckIn card;
  if (c.category == AppCategory::work) {
    card.primary = {"Stretch with me", CheckInResponse::Case::stretch};
    card.secondary = CheckInAction{"Not now", CheckInResponse::Case::keepGoing};
  } else if (back) {
    card.primary = {"Back to " + back->name, CheckInResponse::Case::finish};
    card.secondary = CheckInAction{keep, CheckInResponse::Case::keepGoing};
  } else if (c.mode == AwarenessMode::night) {
    card.primary = {keep, CheckInResponse::Case::keepGoing};
    card.secondary = CheckInAction{"Call it a night", CheckInResponse::Case::finish};
  } else {
    card.primary = {keep, CheckInResponse::Case::keepGoing};
    card.secondary = CheckInAction{"I'm done", CheckInResponse::Case::finish};
  }
  card.kind = CheckIn::Kind::app(c.bundleID, c.appName, c.category);
  card.mode = c.mode;
  card.title = c.appName + kDot + d;
  card.message = appMessage(c, d, back);
  card.laterMinutes = {10, 20, 30};
  card.overflow = {{"Not again today", CheckInResponse::Case::muteToday},
                   {"Stop check-ins for " + c.appName, CheckInResponse::Case::stopForApp}};
  card.returnTo = back;
  card.activeSeconds = c.activeSeconds;
  card.moreTime = false;
  return card;
}

CheckIn CheckInCopy::intentionCheckIn(const Intention& i, CheckInTone tone, AwarenessMode mode) {
  if (i.isSession) return sessionCheckIn(i, tone, mode);
  const std::string limit = duration(minutesToSeconds(i.minutes));
  const std::string active = duration(i.activeSeconds);
  const bool overrun = i.activeSeconds >= 2.0 * minutesToSeconds(i.minutes) && i.returnTo;
  const bool hasPurpose = !i.purpose.empty();
  const std::string quoted = kOpenQuote + i.purpose + kCloseQuote;

  CheckIn card;
  card.title = overrun ? i.appName + kDot + active : timeUpTitle(i.minutes);
  switch (tone) {
    case CheckInTone::friendly:
      if (overrun)
        card.message =
            "That was meant to be " + limit + ". Want to head back to " + i.returnTo->name + "?";
      else if (hasPurpose)
        card.message = "You came here for " + quoted + ". Did you finish what you came for?";
      else
        card.message = "Did you finish what you came to " + i.appName + " for?";
      break;
    case CheckInTone::playful:
      if (overrun)
        card.message =
            limit + " became " + active + "! " + i.returnTo->name + " is right where you left it.";
      else if (hasPurpose)
        card.message = odd(i.checkIns) ? "Time's up! Mission " + quoted + " complete?"
                                       : "Ding! Did " + quoted + " get done?";
      else
        card.message = "Ding! " + limit + " of " + i.appName + ". Mission accomplished?";
      break;
    case CheckInTone::direct:
      card.message = i.appName + ": " + active + ". Planned: " + limit + "." +
                     (hasPurpose ? " For: " + i.purpose + "." : "");
      break;
  }
  if (overrun) {
    card.primary = {"Back to " + i.returnTo->name, CheckInResponse::Case::backToTask};
    card.secondary = CheckInAction{"Stay here", CheckInResponse::Case::dismiss};
    card.overflow = {{"Yes, I'm finished", CheckInResponse::Case::intentionDone}};
  } else if (i.returnTo) {
    card.primary = {"Yes, finished", CheckInResponse::Case::intentionDone};
    card.secondary =
        CheckInAction{"Back to " + i.returnTo->name, CheckInResponse::Case::backToTask};
    card.overflow = {{"Dismiss", CheckInResponse::Case::dismiss}};
  } else {
    card.primary = {"Yes, finished", CheckInResponse::Case::intentionDone};
    card.secondary = CheckInAction{"Dismiss", CheckInResponse::Case::dismiss};
  }
  return aboutIntention(std::move(card), i, mode, {5, 10, 15});
}

CheckIn CheckInCopy::sessionCheckIn(const Intention& i, CheckInTone tone, AwarenessMode mode) {
  const std::string name = i.purpose.empty() ? i.appName : i.purpose;
  const std::string label = name + " session";
  const std::string Label = capitalizedFirst(label);
  const std::string active = duration(i.activeSeconds);
  const std::string minutes = std::to_string(i.minutes);

  CheckIn card;
  card.title = name + kDot + "time's up";
  switch (tone) {
    case CheckInTone::friendly:
      card.message =
          mode == AwarenessMode::night
              ? "Your " + minutes + "-minute " + label +
                    " is up, and it's getting late. Call it a night?"
              : "Your " + minutes + "-minute " + label + " is up. One more, or call it here?";
      break;
    case CheckInTone::playful:
      card.message = odd(i.checkIns) ? "Ding! That's your " + label + ". Still going strong?"
                                     : Label + " complete! Snack break, or a little more?";
      break;
    case CheckInTone::direct:
      card.message = Label + ": " + active + ". Planned: " + minutes + " min.";
      break;
  }
  card.primary = {mode == AwarenessMode::night ? "Call it a night" : "I'm done",
                  CheckInResponse::Case::intentionDone};
  if (i.returnTo) {
    card.secondary =
        CheckInAction{"Back to " + i.returnTo->name, CheckInResponse::Case::backToTask};
    card.overflow = {{"Dismiss", CheckInResponse::Case::dismiss}};
  } else {
    card.secondary = CheckInAction{"Dismiss", CheckInResponse::Case::dismiss};
  }
  return aboutIntention(std::move(card), i, mode, {10, 20, 30});
}

}  // namespace pimble
