#include "health/test_pad.h"

#include <algorithm>
#include <utility>

#include "common/mouse_buttons.h"
#include "settings/settings.h"

namespace {

bool repairOn(const RepairChoice& choice, int button) {
  return choice.buttons[button] && (choice.clickRepair || choice.releaseRepair);
}

std::uint64_t since(std::uint64_t now, std::uint64_t then) {
  return now > then ? now - then : 0;
}

// What `shown` holds of one click, judged against the switch's lane of it; the presses and
// releases it holds go into `lane` when given. `at` walks `shown` as judgeClick has it.
PadOutcome judge(const HandClick& hand, std::uint64_t untilUs, const std::vector<ShownClick>& shown,
                 int button, std::size_t& at, const std::vector<PadMark>& switchLane,
                 std::vector<PadMark>* lane) {
  const std::size_t first = at;
  const ClickJudgement judgement = judgeClick(hand, untilUs, shown, button, at);
  int presses = 0, releases = 0;
  for (std::size_t i = first; i < at; ++i) {
    const ShownClick& s = shown[i];
    // A release before the click's first press is the previous click's, let go late.
    if (s.button != button || s.us < hand.pressUs || (!s.press && presses == 0)) continue;
    ++(s.press ? presses : releases);
    if (lane) lane->push_back({s.us - hand.pressUs, s.press, false});
  }
  bool broke = false, bounced = false;
  int switchPresses = 0, switchReleases = 0;
  for (const PadMark& m : switchLane) {
    ++(m.press ? switchPresses : switchReleases);
    if (!m.marked || m.press) continue;
    const bool held = hand.releaseUs == kNever || hand.pressUs + m.us < hand.releaseUs;
    if (held && m.us >= kPressBounceUs) {
      broke = true;
    } else {
      bounced = true;
    }
  }
  PadOutcome out;
  out.swallowedPresses = std::max(0, switchPresses - presses);
  out.swallowedReleases = std::max(0, switchReleases - releases);
  const bool clean = judgement.clean();
  if (judgement.presses == 0) {
    out.verdict = PadVerdict::lost;
  } else if (broke) {
    out.verdict = clean ? PadVerdict::breakRepaired : PadVerdict::breakLeaked;
  } else if (bounced || !clean) {
    out.verdict = clean ? PadVerdict::bounceRepaired : PadVerdict::bounceLeaked;
  } else {
    out.verdict = PadVerdict::clean;
  }
  return out;
}

// The oldest switch events beyond kPadMostEvents, and what the window received before the first
// switch event kept or before `fromUs`, go.
void trim(PadRecord& record, std::uint64_t fromUs) {
  auto& switches = record.switches;
  if (switches.size() > kPadMostEvents) {
    switches.erase(switches.begin(), switches.end() - kPadMostEvents);
  }
  switches.erase(switches.begin(),
                 std::find_if(switches.begin(), switches.end(),
                              [&](const PadRecord::Switch& s) { return s.event.us >= fromUs; }));
  if (!switches.empty()) fromUs = std::min(fromUs, switches.front().event.us);
  auto& received = record.received;
  received.erase(received.begin(),
                 std::find_if(received.begin(), received.end(),
                              [&](const ShownClick& s) { return s.us >= fromUs; }));
}

}  // namespace

std::vector<PadClick> padClicks(PadRecord& record, const RepairChoice& inForce,
                                std::uint64_t nowUs) {
  trim(record, 0);
  std::vector<ClickEvent> events;
  events.reserve(record.switches.size());
  for (const PadRecord::Switch& s : record.switches) events.push_back(s.event);
  // What the button would have shown with its repair on, at the intervals in force.
  RepairChoice withRepair = inForce;
  bool anyOff = false;
  for (int b = 0; b < kHealthButtons; ++b) {
    anyOff = anyOff || !repairOn(inForce, b);
    withRepair.buttons[b] = true;
  }
  for (const PadRecord::Switch& s : record.switches) anyOff = anyOff || !s.repaired;
  if (!inForce.clickRepair && !inForce.releaseRepair) {
    withRepair.clickRepair = withRepair.releaseRepair = true;
  }
  const std::vector<ShownClick> wouldShow =
      anyOff ? replayShown(ClickRun{0, events}, withRepair) : std::vector<ShownClick>();

  const std::uint64_t blipUs =
      static_cast<std::uint64_t>(inForce.blipMs > 0 ? inForce.blipMs : kBlipMs) * 1000;
  std::vector<PadClick> clicks;
  for (int b = 0; b < kHealthButtons; ++b) {
    std::uint32_t bounces = 0;
    const std::vector<HandClick> hands = handClicks(events, b, blipUs, bounces);
    std::size_t at = 0, wouldAt = 0, next = 0;
    for (std::size_t k = 0; k < hands.size(); ++k) {
      const HandClick& hand = hands[k];
      const std::uint64_t until = k + 1 < hands.size() ? hands[k + 1].pressUs : kNever;
      PadClick click;
      click.button = b;
      click.pressUs = hand.pressUs;
      bool overPad = false, repaired = true;
      std::uint64_t lastUs = hand.pressUs;
      for (; next < events.size() && events[next].us < until; ++next) {
        const ClickEvent& e = events[next];
        if (e.button != b || e.us < hand.pressUs) continue;
        const bool handPress = e.press && e.us == hand.pressUs;
        if (handPress) {
          overPad = record.switches[next].overPad;
          repaired = record.switches[next].repaired;
          click.source = record.switches[next].source;
          click.device = record.switches[next].device;
        }
        const bool handRelease = !e.press && e.us == hand.releaseUs;
        click.lanes[padSwitch].push_back(
            {e.us - hand.pressUs, e.press, !handPress && !handRelease});
        lastUs = e.us;
      }
      if (!overPad) continue;
      click.outcome = judge(hand, until, record.received, b, at, click.lanes[padSwitch],
                            &click.lanes[padProgram]);
      bool over = until != kNever;
      if (!over && hand.releaseUs != kNever) {
        const std::vector<PadMark>& program = click.lanes[padProgram];
        const bool letGo = !program.empty() && !program.back().press;
        const std::uint64_t quiet = since(nowUs, lastUs);
        over = (letGo && quiet >= kBounceUs) || quiet >= kPadSettleUs;
      }
      if (!over) click.outcome.verdict = PadVerdict::pending;
      click.whatIf = !repairOn(inForce, b) || !repaired;
      if (click.whatIf) {
        click.wouldBe = judge(hand, until, wouldShow, b, wouldAt, click.lanes[padSwitch], nullptr);
      }
      clicks.push_back(std::move(click));
    }
  }
  std::stable_sort(clicks.begin(), clicks.end(),
                   [](const PadClick& x, const PadClick& y) { return x.pressUs < y.pressUs; });
  if (clicks.size() > kPadRows) {
    clicks.erase(clicks.begin(), clicks.end() - kPadRows);
    trim(record, clicks.front().pressUs);
  }
  return clicks;
}

namespace {

// After this many events a lane's text ends in an ellipsis: a long drag's openings are drawn.
constexpr std::size_t kRowEvents = 12;

// "4.0" below 10 ms, "86" from there.
std::wstring milliseconds(std::uint64_t us) {
  if (us < 10000) return std::to_wstring(us / 1000) + L"." + std::to_wstring(us / 100 % 10);
  return std::to_wstring((us + 500) / 1000);
}

// "按 2.0 松 2.0 按 86 松": each number the milliseconds between the words around it, a leading one
// from the switch's press.
std::wstring laneText(const std::vector<PadMark>& lane, Language language) {
  if (lane.empty()) return textOf(TextName::healthPadNothing, language);
  std::wstring text;
  std::uint64_t before = 0;
  for (std::size_t i = 0; i < lane.size() && i < kRowEvents; ++i) {
    if (i > 0 || lane[i].us >= 1000) text += milliseconds(lane[i].us - before) + L" ";
    text += textOf(lane[i].press ? TextName::healthPadDown : TextName::healthPadUp, language);
    if (i + 1 < lane.size()) text += L" ";
    before = lane[i].us;
  }
  if (lane.size() > kRowEvents) text += L"…";
  return text;
}

std::wstring outcomeText(const PadOutcome& outcome, Language language) {
  static const TextName kVerdicts[] = {TextName::healthPadPending,
                                       TextName::healthPadClean,
                                       TextName::healthPadBounceRepaired,
                                       TextName::healthPadBounceLeaked,
                                       TextName::healthPadBreakRepaired,
                                       TextName::healthPadBreakLeaked,
                                       TextName::healthPadLost};
  return fillText(
      kVerdicts[static_cast<int>(outcome.verdict)], language,
      {std::to_wstring(outcome.swallowedPresses), std::to_wstring(outcome.swallowedReleases)});
}

// "（模拟输入）", "（046D:C077）"; nothing for a source not told apart.
std::wstring sourceText(const PadClick& click, Language language) {
  switch (click.source.kind) {
    case SourceKind::injected:
      return textOf(TextName::healthPadInjected, language);
    case SourceKind::touch:
      return textOf(TextName::healthPadTouch, language);
    case SourceKind::device:
      if (click.device) return fillText(TextName::healthPadDevice, language, {click.device});
      break;
    case SourceKind::unknown:
      break;
  }
  return L"";
}

}  // namespace

std::wstring padRow(const PadClick& click, Language language) {
  const bool judged = click.outcome.verdict != PadVerdict::pending;
  const std::wstring wouldBe =
      click.whatIf && judged
          ? fillText(TextName::healthPadWhatIf, language, {outcomeText(click.wouldBe, language)})
          : L"";
  return fillText(
      TextName::healthPadRow, language,
      {textOf(kButtons[click.button].name, language), sourceText(click, language),
       laneText(click.lanes[padSwitch], language), laneText(click.lanes[padProgram], language),
       outcomeText(click.outcome, language), wouldBe});
}
