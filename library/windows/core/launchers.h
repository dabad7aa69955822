// The control-panel and wizard pages that Cls_Windows opens: one fixed command line each for the
// platform's command runner, with the page's parameter appended as it stands.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvel::launchers {

// What a launcher appends to its command text.
enum class Parameter {
    none,
    tab,   // a 16-bit page or applet number, in decimal, with a minus sign when negative
    text,  // a path or file name, unquoted: the runner reads the rest of its line as the name
};

struct Launcher {
    std::wstring_view member;      // the member of Cls_Windows that starts it
    std::string_view commandText;  // exactly as the runner receives it, ending blanks included
    Parameter parameter;
};

// In the order of the members in the interface.
enum class Page {
    display, accessibility, programs, regionalSettings, gameControllers, mainApplets, mailAndFax, multimedia,
    system, browserSettings, addHardwarePage, modems, network, passwords, dateApplet, workgroupPostOffice,
    openWith, floppyCopy, newShortcut, addHardwareWizard, addPrinterWizard, dialUpWizard, documentScrap,
    newBriefcase, printersFolder, fontsFolder, timeApplet, powerOptions,
};

inline constexpr std::size_t kPageCount = 28;

const Launcher& launcher(Page page) noexcept;

// Every launcher, in the order of the pages above.
const std::array<Launcher, kPageCount>& allLaunchers() noexcept;

// The command line of a page that takes a tab number.
std::string commandWithTab(Page page, std::int16_t tab);
// The command line of a page that takes a path or a file name (already in the system's ANSI
// code page), appended as it stands; for a page without parameter, the text is ignored.
std::string commandWithText(Page page, std::string_view ansiText);

}  // namespace korvel::launchers
