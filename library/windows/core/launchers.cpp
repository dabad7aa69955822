#include "library/windows/core/launchers.h"

namespace korvel::launchers {

namespace {

// Letter case, blanks and commas are those each applet has always been started with: some take
// their page after two commas, some an applet index after "@", two take a blank after the
// comma that older runners needed.
constexpr std::array<Launcher, kPageCount> kLaunchers{{
    {L"GstAffichage", "RUNDLL32 SHELL32.DLL,Control_RunDLL DESK.CPL,,", Parameter::tab},
    {L"GstDivers", "RUNDLL32 SHELL32.DLL,Control_RunDLL ACCESS.CPL,,", Parameter::tab},
    {L"GstProg", "RUNDLL32 SHELL32.DLL,Control_RunDLL APPWIZ.CPL,,", Parameter::tab},
    {L"GstParamRegion", "RUNDLL32 SHELL32.DLL,Control_RunDLL INTL.CPL,,", Parameter::tab},
    {L"GstJoystick", "rundll32.exe shell32.dll,Control_RunDLL joy.cpl,,", Parameter::tab},
    {L"GstPrincipal", "rundll32.exe shell32.dll,Control_RunDLL main.cpl @", Parameter::tab},
    {L"GstMailFax", "rundll32.exe shell32.dll,Control_RunDLL mlcfg32.cpl", Parameter::none},
    {L"GstMultimedia", "RUNDLL32 SHELL32.DLL,Control_RunDLL MMSYS.CPL,,", Parameter::tab},
    {L"GstSysteme", "RUNDLL32 SHELL32.DLL,Control_RunDLL SYSDM.CPL,,", Parameter::tab},
    {L"GstInternetExplorer", "rundll32.exe shell32.dll,Control_RunDLL inetcpl.cpl,,", Parameter::tab},
    {L"GstAssistantNouveauMateriel", "rundll32.exe shell32.dll,Control_RunDLL sysdm.cpl @1", Parameter::none},
    {L"GstModem", "rundll32.exe shell32.dll,Control_RunDLL modem.cpl", Parameter::none},
    {L"GstReseau", "rundll32.exe shell32.dll,Control_RunDLL netcpl.cpl", Parameter::none},
    {L"GstPassword", "rundll32.exe shell32.dll,Control_RunDLL password.cpl", Parameter::none},
    {L"GstDate", "rundll32.exe shell32.dll,Control_RunDLL timedate.cpl", Parameter::none},
    {L"GstMSMail", "rundll32.exe shell32.dll,Control_RunDLL wgpocpl.cpl", Parameter::none},
    {L"GstFichierAssociation", "rundll32.exe shell32.dll,OpenAs_RunDLL ", Parameter::text},
    {L"CopieD7", "rundll32 diskcopy.dll,DiskCopyRunDll", Parameter::none},
    {L"CreationRaccourci_Fenetre", "rundll32.exe AppWiz.Cpl,NewLinkHere ", Parameter::text},
    {L"AssistantNouveauMateriel", "rundll32.exe sysdm.cpl, InstallDevice_RunDLL", Parameter::none},
    {L"AssistantNouvelleImprimante", "rundll32.exe shell32.dll,SHHelpShortcuts_RunDLL AddPrinter", Parameter::none},
    {L"AssistantNouvelleConnexion", "rundll32.exe rnaui.dll, RnaWizard", Parameter::none},
    {L"OuvrirPortionDocument", "rundll32.exe shscrap.dll,OpenScrap_RunDLL /r /x ", Parameter::text},
    {L"CreationPorteDocument", "rundll32.exe syncui.dll, Briefcase_Create", Parameter::none},
    {L"GstImprimante", "rundll32.exe shell32.dll,SHHelpShortcuts_RunDLL PrintersFolder", Parameter::none},
    {L"GstFontes", "rundll32.exe shell32.dll,SHHelpShortcuts_RunDLL FontsFolder", Parameter::none},
    {L"GstHeure", "rundll32.exe shell32.dll,Control_RunDLL timedate.cpl,,/f", Parameter::none},
    {L"GstEnergie", "rundll32.exe shell32.dll,Control_RunDLL powercfg.cpl", Parameter::none},
}};

}  // namespace

const Launcher& launcher(Page page) noexcept { return kLaunchers[static_cast<std::size_t>(page)]; }

const std::array<Launcher, kPageCount>& allLaunchers() noexcept { return kLaunchers; }

std::string commandWithTab(Page page, std::int16_t tab) {
    std::string command(launcher(page).commandText);
    if (launcher(page).parameter == Parameter::tab) command += std::to_string(tab);
    return command;
}

std::string commandWithText(Page page, std::string_view ansiText) {
    std::string command(launcher(page).commandText);
    if (launcher(page).parameter == Parameter::text) command += ansiText;
    return command;
}

}  // namespace korvel::launchers
