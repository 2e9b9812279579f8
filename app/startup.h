// The program's entry: open the console, move into the installation folder,
// check the installation, and hand over to the menus.
#pragma once

#include <string_view>

inline constexpr std::string_view kWindowTitle = "Ligafala 3.3 ";
inline constexpr std::string_view kVersionText = "3.3";
inline constexpr std::string_view kInstallFolder = "C:\\talmar";
// The program file looked for in the installation folder: the Linux
// program's own name.
inline constexpr std::string_view kProgramFileName = "ligafala";
inline constexpr std::string_view kNotInstalledMessage =
    "Descompacte este programa na pasta C:\\talmar para um melhor funcionamento";

// Module starts, in dependency order, before the main code.
void StartModules();
// The main code; ends the process.
[[noreturn]] void RunLigafala();
