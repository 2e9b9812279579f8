// Shows the real console window with a few lines in several colours and
// accented Portuguese words, then waits for keys until the window is closed
// (or Esc is pressed). Useful to look at the window and its fonts by eye and
// for screenshots.
#include <cstdint>

#include "console/console.h"
#include "console/text_output.h"

namespace {

constexpr int kBlack = 0;
constexpr int kBlue = 1;
constexpr int kGreen = 2;
constexpr int kCyan = 3;
constexpr int kMagenta = 5;
constexpr int kLightGrey = 7;
constexpr int kYellow = 14;
constexpr int kWhite = 15;
constexpr uint8_t kEsc = 27;

void Colours(int text, int back) {
  ConsoleSetTextColor(text);
  ConsoleSetBackColor(back);
}

}  // namespace

int main() {
  ConsoleStart();
  ConsoleClearScreen();
  // Texts are Windows-1252: E9h é, EAh ê, E3h ã, E7h ç, BAh º.
  ConsoleSetTitle("Ligafala - demonstra\xE7\xE3o do console");

  Colours(kWhite, kBlack);
  WriteLine("Brasileir\xE3o S\xE9rie A - tabela de classifica\xE7\xE3o");
  WriteLine("");
  Colours(kYellow, kMagenta);
  WriteLine(" 1\xBA colocado  Palmeiras            70 pontos ");
  Colours(kWhite, kBlue);
  WriteLine(" 2\xBA colocado  Gr\xEAmio               68 pontos ");
  Colours(kBlack, kCyan);
  WriteLine(" 3\xBA colocado  S\xE3o Paulo            66 pontos ");
  Colours(kGreen, kBlack);
  WriteLine(" 4\xBA colocado  Atl\xE9tico Mineiro     62 pontos ");
  Colours(kLightGrey, kBlack);
  WriteLine("");
  WriteText("Acentos: \xE1 \xE0 \xE2 \xE3 \xE9 \xEA \xED \xF3 \xF4 \xF5 \xFA \xFC \xE7 ");
  WriteLine("\xC1 \xC0 \xC2 \xC3 \xC9 \xCA \xCD \xD3 \xD4 \xD5 \xDA \xDC \xC7");
  WriteLine("S\xEDmbolos: \x80 \x93" "aspas\x94 \x96 travess\xE3o \xB0 \xAA \xBA \xA7 \xB2 \xB3");
  Colours(kWhite, kBlack);
  WriteLine("");
  WriteText("Tecle Esc ou feche a janela para terminar. ");

  for (;;) {
    const uint8_t key = ConsoleReadKey();
    if (key == kEsc) ConsoleClose();
    // An extended key comes as 0 and then its code; the code is read and
    // dropped with the next call.
  }
}
