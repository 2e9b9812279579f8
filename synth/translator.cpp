#include "synth/translator.h"

// FIXME: the letter-to-sound rules come with the built-in synthesizer; until
// then no phonemes are made and words are not heard.
std::string TranslateToPhonemes(std::string_view) { return {}; }
