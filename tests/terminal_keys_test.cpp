// The terminal's keys: byte sequences of the common terminal dialects and
// of the progressive keyboard protocol, decoded and handed to the console,
// must queue what the same keys queue from a real keyboard.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "console/braille_keyboard.h"
#include "platform/keys.h"
#include "platform/terminal_keys.h"
#include "tests/console_fixture.h"

namespace {

using platform::TerminalDecode;
using platform::TerminalDecodeFlush;
using platform::TerminalEvent;
using platform::TerminalEventKind;
using platform::TerminalKeyDecoder;

struct FacadeSink : platform::MessageSink {
  void Post(const platform::Message& message) override { platform::PostMessage(message); }
};

std::vector<TerminalEvent> Decode(TerminalKeyDecoder& decoder, const std::string& bytes) {
  std::vector<TerminalEvent> events;
  TerminalDecode(decoder, bytes, &events);
  return events;
}

std::vector<TerminalEvent> DecodeAll(const std::string& bytes, bool releases = false) {
  TerminalKeyDecoder decoder;
  decoder.reportsReleases = releases;
  std::vector<TerminalEvent> events = Decode(decoder, bytes);
  TerminalDecodeFlush(decoder, &events);
  return events;
}

class TerminalKeysTest : public testing_support::ConsoleTest {
 protected:
  // The key-queue entries the console makes of what the terminal sent.
  std::vector<int> Queue(const std::string& bytes, uint8_t eraseByte = 0x7F) {
    TerminalKeyDecoder decoder;
    decoder.eraseByte = eraseByte;
    std::vector<TerminalEvent> events = Decode(decoder, bytes);
    TerminalDecodeFlush(decoder, &events);
    FacadeSink sink;
    for (const TerminalEvent& event : events) platform::PostTerminalEvent(sink, event);
    ConsolePumpMessages();
    return DrainQueue();
  }
};

struct QueueCase {
  const char* name;
  std::string bytes;
  std::vector<int> queued;
};

TEST_F(TerminalKeysTest, SequencesQueueWhatARealKeyboardQueues) {
  ConsoleClearScreen();
  const QueueCase cases[] = {
      // Arrows: plain, in cursor-key mode, with modifiers (xterm's forms and
      // rxvt's Esc prefix for Alt). Alt+Up is the system's; Alt+Left and
      // Alt+Right are the plain arrows.
      {"Up", "\x1b[A", {0, 72}},
      {"Down", "\x1b[B", {0, 80}},
      {"Right", "\x1b[C", {0, 77}},
      {"Left", "\x1b[D", {0, 75}},
      {"Up in cursor-key mode", "\x1bOA", {0, 72}},
      {"Ctrl+Up", "\x1b[1;5A", {0, 113}},
      {"Ctrl+Down", "\x1b[1;5B", {0, 114}},
      {"Ctrl+Left", "\x1b[1;5D", {0, 115}},
      {"Ctrl+Right", "\x1b[1;5C", {0, 116}},
      {"Ctrl+Right, rxvt", "\x1bOc", {0, 116}},
      {"Shift+Up", "\x1b[1;2A", {0, 72}},
      {"Alt+Up", "\x1b[1;3A", {}},
      {"Alt+Left", "\x1b[1;3D", {0, 75}},
      {"Alt+Right, Esc prefix", "\x1b\x1b[C", {0, 77}},
      // Function keys in xterm's, rxvt's and the Linux console's forms. F10
      // is left to the system, as on a real keyboard.
      {"F1", "\x1bOP", {0, 59}},
      {"F2", "\x1bOQ", {0, 60}},
      {"F3", "\x1bOR", {0, 61}},
      {"F4", "\x1bOS", {0, 62}},
      {"F1 rxvt", "\x1b[11~", {0, 59}},
      {"F1 Linux", "\x1b[[A", {0, 59}},
      {"F5 Linux", "\x1b[[E", {0, 63}},
      {"F5", "\x1b[15~", {0, 63}},
      {"F6", "\x1b[17~", {0, 64}},
      {"F7", "\x1b[18~", {0, 65}},
      {"F8", "\x1b[19~", {0, 66}},
      {"F9", "\x1b[20~", {0, 67}},
      {"F10", "\x1b[21~", {}},
      {"F11", "\x1b[23~", {0, 69}},
      {"F12", "\x1b[24~", {0, 70}},
      {"Ctrl+F1", "\x1b[1;5P", {0, 94}},
      {"Ctrl+F12", "\x1b[24;5~", {0, 105}},
      // The editing block.
      {"Home", "\x1b[H", {0, 71}},
      {"Home vt", "\x1b[1~", {0, 71}},
      {"Home rxvt", "\x1b[7~", {0, 71}},
      {"End", "\x1b[F", {0, 79}},
      {"End vt", "\x1b[4~", {0, 79}},
      {"Insert", "\x1b[2~", {0, 82}},
      {"Shift+Insert", "\x1b[2;2~", {0, 254}},
      {"Ctrl+Insert", "\x1b[2;5~", {0, 255}},
      {"Delete", "\x1b[3~", {0, 83}},
      {"Page Up", "\x1b[5~", {0, 73}},
      {"Page Down", "\x1b[6~", {0, 81}},
      {"Ctrl+Page Up", "\x1b[5;5~", {0, 132}},
      {"Ctrl+Home", "\x1b[1;5H", {0, 119}},
      {"Ctrl+End", "\x1b[1;5F", {0, 117}},
      // Alt, Ctrl and the plain keys. Alt alone with a letter or digit is
      // the system's key while break checking is on, as on a real keyboard;
      // with Ctrl it queues the Alt code.
      {"Alt+x", "\x1bx", {}},
      {"Alt+1", "\x1b" "1", {}},
      {"Ctrl+Alt+a", "\x1b\x01", {0, 30}},
      {"Ctrl+Alt+x", "\x1b\x18", {0, 45}},
      {"lone Esc", "\x1b", {27}},
      {"two Escs", "\x1b\x1b", {27, 27}},
      {"Enter", "\r", {13}},
      {"Ctrl+Enter", "\n", {10}},
      {"Tab", "\t", {9}},
      {"Shift+Tab", "\x1b[Z", {9}},
      {"Backspace", "\x7f", {8}},
      {"Ctrl+Backspace", "\x08", {127}},
      {"Ctrl+A", "\x01", {1}},
      {"Ctrl+Z", "\x1a", {26}},
      {"Ctrl+]", "\x1d", {0x1D}},
      {"letters", "aZ ", {'a', 'Z', ' '}},
      // UTF-8 typed text becomes Windows-1252; what the code page lacks, and
      // malformed bytes, type nothing.
      {"c cedilla", "\xc3\xa7", {0xE7}},
      {"a tilde", "\xc3\xa3", {0xE3}},
      {"capital C cedilla", "\xc3\x87", {0xC7}},
      {"euro", "\xe2\x82\xac", {0x80}},
      {"outside the code page", "\xe4\xb8\xad", {}},
      {"a stray continuation byte", "\xa7" "a", {'a'}},
      {"an overlong Esc", "\xe0\x80\x9b" "b", {'b'}},
      {"Alt+c cedilla", "\x1b\xc3\xa7", {}},
      // The progressive keyboard protocol and xterm's other-keys form.
      {"protocol: a", "\x1b[97u", {'a'}},
      {"protocol: Shift+a with its text", "\x1b[97;2;65u", {'A'}},
      {"protocol: Ctrl+a", "\x1b[97;5u", {1}},
      {"protocol: Alt+a", "\x1b[97;3u", {}},
      {"protocol: Ctrl+Alt+1", "\x1b[49;7u", {0, 120}},
      {"protocol: Ctrl+Alt+0", "\x1b[48;7u", {0, 129}},
      {"protocol: Esc", "\x1b[27u", {27}},
      {"protocol: Enter", "\x1b[13u", {13}},
      {"protocol: Ctrl+Enter", "\x1b[13;5u", {10}},
      {"protocol: c cedilla", "\x1b[231u", {0xE7}},
      {"protocol: Ctrl+Up", "\x1b[1;5A", {0, 113}},
      {"protocol: F3", "\x1b[13~", {0, 61}},
      {"protocol: keypad 8 without NumLock", "\x1b[57407u", {0, 72}},
      {"protocol: keypad 8 with NumLock", "\x1b[57407;129u", {'8'}},
      {"other keys: Ctrl+Enter", "\x1b[27;5;13~", {10}},
      {"focus reports are no keys", "\x1b[I\x1b[O", {}},
  };
  for (const QueueCase& c : cases) {
    EXPECT_EQ(Queue(c.bytes), c.queued) << c.name;
  }
}

TEST_F(TerminalKeysTest, BackspaceFollowsTheTerminalsEraseCharacter) {
  ConsoleClearScreen();
  EXPECT_EQ(Queue("\x08", 0x08), std::vector<int>{8});
  EXPECT_EQ(Queue("\x7f", 0x08), std::vector<int>{127});
}

TEST_F(TerminalKeysTest, ReleasesDriveTheBrailleChordKeyboard) {
  Settings("[BRAILLE]\r\nMODO=1\r\n");
  ConsoleClearScreen();
  ASSERT_EQ(BrailleMode(), 1);
  // F and D pressed together, then released: b, at the second release;
  // then the space bar alone.
  TerminalKeyDecoder decoder;
  decoder.reportsReleases = true;
  FacadeSink sink;
  for (const TerminalEvent& event :
       Decode(decoder, "\x1b[102u\x1b[100u\x1b[102;1:3u\x1b[100;1:3u\x1b[32u\x1b[32;1:3u")) {
    platform::PostTerminalEvent(sink, event);
  }
  ConsolePumpMessages();
  EXPECT_EQ(DrainQueue(), (std::vector<int>{'b', ' '}));
}

TEST(TerminalKeyDecoder, ReleasesRepeatsAndModifierKeys) {
  const auto events =
      DecodeAll("\x1b[102u\x1b[102;1:2u\x1b[102;1:3u\x1b[57441;2u\x1b[57441;1:3u\x1b[A\x1b[1;1:3A", true);
  ASSERT_EQ(events.size(), 7u);
  EXPECT_EQ(events[0], (TerminalEvent{TerminalEventKind::kDown, 'F', 0, 'f', 0}));
  EXPECT_EQ(events[1].kind, TerminalEventKind::kRepeat);
  EXPECT_EQ(events[2], (TerminalEvent{TerminalEventKind::kUp, 'F', 0, -1, 0}));
  EXPECT_EQ(events[3], (TerminalEvent{TerminalEventKind::kDown, platform::kVkShift, platform::kModShift, -1, 0}));
  EXPECT_EQ(events[4].kind, TerminalEventKind::kUp);
  EXPECT_EQ(events[5], (TerminalEvent{TerminalEventKind::kDown, platform::kVkUp, 0, -1, 0}));
  EXPECT_EQ(events[6], (TerminalEvent{TerminalEventKind::kUp, platform::kVkUp, 0, -1, 0}));
}

TEST(TerminalKeyDecoder, EscAndACharacterIsAltAndThatKey) {
  const auto events = DecodeAll("\x1bx\x1b" "A\x1b" "1");
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0], (TerminalEvent{TerminalEventKind::kTap, 'X', platform::kModAlt, -1, 0}));
  EXPECT_EQ(events[1], (TerminalEvent{TerminalEventKind::kTap, 'A', platform::kModAlt | platform::kModShift, -1, 0}));
  EXPECT_EQ(events[2], (TerminalEvent{TerminalEventKind::kTap, '1', platform::kModAlt, -1, 0}));
}

TEST(TerminalKeyDecoder, CtrlBackslashIsTheBreakKey) {
  for (const char* bytes : {"\x1c", "\x1b[92;5u"}) {
    const auto events = DecodeAll(bytes);
    ASSERT_EQ(events.size(), 1u) << bytes;
    EXPECT_EQ(events[0].vk, platform::kVkCancel);
    EXPECT_EQ(events[0].mods, platform::kModCtrl);
  }
}

TEST(TerminalKeyDecoder, AnswersAndFocusReports) {
  const auto events = DecodeAll("\x1b[?11u\x1b[?62;22c\x1b[I\x1b[O");
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].kind, TerminalEventKind::kKeyboardFlags);
  EXPECT_EQ(events[0].value, 11);
  EXPECT_EQ(events[1].kind, TerminalEventKind::kDeviceAttributes);
  EXPECT_EQ(events[2].kind, TerminalEventKind::kFocusIn);
  EXPECT_EQ(events[3].kind, TerminalEventKind::kFocusOut);
}

TEST(TerminalKeyDecoder, SequencesSplitAcrossReadsWaitForTheirRest) {
  TerminalKeyDecoder decoder;
  EXPECT_TRUE(Decode(decoder, "\x1b").empty());
  EXPECT_TRUE(Decode(decoder, "[1;").empty());
  const auto arrow = Decode(decoder, "5A");
  ASSERT_EQ(arrow.size(), 1u);
  EXPECT_EQ(arrow[0].vk, platform::kVkUp);
  EXPECT_EQ(arrow[0].mods, platform::kModCtrl);
  EXPECT_TRUE(Decode(decoder, "\xc3").empty());
  const auto letter = Decode(decoder, "\xa7");
  ASSERT_EQ(letter.size(), 1u);
  EXPECT_EQ(letter[0].character, 0xE7);
  // A sequence cut short by the wait is Alt and its first character, then
  // the rest as typed.
  EXPECT_TRUE(Decode(decoder, "\x1b[1").empty());
  std::vector<TerminalEvent> flushed;
  TerminalDecodeFlush(decoder, &flushed);
  ASSERT_EQ(flushed.size(), 2u);
  EXPECT_EQ(flushed[0].mods, platform::kModAlt);
  EXPECT_EQ(flushed[1].character, '1');
  EXPECT_TRUE(decoder.pending.empty());
}

TEST(TerminalKeyDecoder, GarbageIsBoundedAndDecodingRecovers) {
  TerminalKeyDecoder decoder;
  // An endless parameter list is dropped rather than held.
  std::vector<TerminalEvent> events;
  TerminalDecode(decoder, "\x1b[" + std::string(1000, '1'), &events);
  EXPECT_LE(decoder.pending.size(), platform::kTerminalMaxSequence);
  TerminalDecodeFlush(decoder, &events);
  events.clear();
  TerminalDecode(decoder, "\x1b[B", &events);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].vk, platform::kVkDown);
  // Random bytes in random pieces: never more pending than the bound, and
  // every event a key the program knows or a notice.
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(random() % 40, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random() % 3 == 0 ? 0x1b : random() % 256);
    events.clear();
    TerminalDecode(decoder, bytes, &events);
    ASSERT_LE(decoder.pending.size(), platform::kTerminalMaxSequence);
    for (const TerminalEvent& event : events) {
      if (event.kind <= TerminalEventKind::kUp) {
        EXPECT_NE(event.vk, 0);
        EXPECT_LT(event.character, 256);
      }
    }
  }
}

}  // namespace
