#include "app/messages.h"

#include "console/text_output.h"
#include "platform/paths.h"
#include "speech/speech.h"

namespace {

struct CatalogueEntry {
  std::string_view key;
  std::string_view text;  // Windows-1252
};

constexpr CatalogueEntry kCatalogue[] = {
    {"LFINIC", "Ligafala 2015 - vers\xE3o "},
    {"LFMENUPRIN", "Menu principal"},
    {"LFDESSETAS", "D\xEAs\xE7" "a com as setas"},
    {"LFTABA", "Brasileir\xE3o s\xE9rie A"},
    {"LFTABB", "Brasileir\xE3o s\xE9rie B"},
    {"LFTABC", "Brasileir\xE3o s\xE9rie C"},
    {"LFMANUAL", "Manual do programa"},
    {"LFFINAL", "Terminar o programa"},
    {"LFSOCKERR", "O acesso a internet est\xE1 desabilitado"},
    {"LFCONERR", "Erro ao realizar conex\xE3o"},
    {"LFSERVERR", "Erro no servidor, veja a mensagem "},
    {"LFTABERR", "Erro ao obter tabela de classifica\xE7\xE3o"},
    {"LFCONFIM", "Confirma fim?"},
    {"LFCANCEL", "Cancelado"},
    {"LFVERTAB", "Ver tabela de classifica\xE7\xE3o"},
    {"LFVERROD", "Ver informa\xE7\xF5" "es da rodada"},
    {"LFVOLTAR", "Voltar para o menu anterior"},
    {"LFRDERR", "N\xE3o foi poss\xEDvel obter as pr\xF3ximas rodadas"},
    {"LFFIM", "Fim do ligafala"},
};

// The recording's name without its extension, relative to the working
// folder (the installation folder).
std::string RecordingName(std::string_view key) { return "som\\ligafala\\" + std::string(key); }

}  // namespace

std::string MessageText(std::string_view key) {
  for (const CatalogueEntry& entry : kCatalogue) {
    if (entry.key == key) return std::string(entry.text);
  }
  WriteLineAndSpeak("Mensagem inv\xE1lida " + std::string(key));
  return {};
}

void SayMessage(std::string_view key, uint8_t lineEnds) {
  const std::string text = MessageText(key);
  WriteText(text);
  const std::string recording = RecordingName(key);
  if (platform::FileExists(recording + ".wav")) {
    PlaySoundFile(recording);
  } else {
    SpeakText(text);
  }
  for (uint8_t i = 0; i < lineEnds; ++i) WriteText("\r\n");
}
