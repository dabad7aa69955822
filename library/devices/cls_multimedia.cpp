#include "library/devices/cls_multimedia.h"

#include <mmsystem.h>

#include <string>

#include "common/win32/unique_handle.h"
#include "library/devices/core/device_rules.h"
#include "library/devices/core/media_commands.h"
#include "library/frame/ansi_text.h"
#include "library/frame/command_line.h"

// The media interface's command executor: it runs one command string and shows its own errors
// to the user. Exported by winmm but not declared by every SDK's headers.
extern "C" BOOL WINAPI mciExecute(LPCSTR command);

namespace korvel {

namespace {

using media::MediaMember;

// The media interface's own failures (no device, a wrong file, a taken alias) are the
// caller's to notice by what plays; the members report nothing of them.
void sendMediaCommands(MediaMember member, std::string_view fileArgument = {}) {
    for (const std::string& command : media::mediaCommands(member, fileArgument))
        mciSendStringA(command.c_str(), nullptr, 0, nullptr);
}

// The caller's file name as one argument of a command; nothing when no command may carry it.
std::optional<std::string> fileArgumentOf(BSTR* name) {
    // The caller's variable gets back its text through the code page, as with every ANSI call.
    AnsiArgument writtenBack(name);
    // Judged whole: a NUL inside must be seen, not end the text.
    return media::mediaFileArgument(toAnsi(textOf(name ? *name : nullptr)));
}

long driveTypeOf(BSTR* letter) {
    std::optional<std::wstring> root = devices::driveRootOf(textOf(letter ? *letter : nullptr));
    if (!root) return devices::kDriveUnknown;
    return long(GetDriveTypeA(toAnsi(*root).c_str()));
}

HRESULT driveTypeIs(BSTR* letter, long type, VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    return guarded(__uuidof(_Cls_Multimedia), [&] {
        *result = driveTypeOf(letter) == type ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

short screenExtent(int metric, int dotsPerInchIndex) {
    tolvare::unique_screen_dc screen(GetDC(nullptr));
    const int dotsPerInch = screen ? GetDeviceCaps(screen.get(), dotsPerInchIndex) : 0;
    std::optional<std::int16_t> extent =
        devices::toShort(devices::pixelsThroughTwips(GetSystemMetrics(metric), dotsPerInch));
    if (!extent) throw RuntimeError(kOverflow);
    return *extent;
}

}  // namespace

HRESULT Cls_Multimedia::FermerCD() {
    return guarded([] {
        sendMediaCommands(MediaMember::FermerCD);
        return S_OK;
    });
}

HRESULT Cls_Multimedia::OuvrirCD() {
    return guarded([] {
        sendMediaCommands(MediaMember::OuvrirCD);
        return S_OK;
    });
}

HRESULT Cls_Multimedia::JouerUnWav(BSTR *Fichier) {
    return guarded([&] {
        if (std::optional<std::string> file = fileArgumentOf(Fichier))
            for (const std::string& command : media::mediaCommands(MediaMember::JouerUnWav, *file)) {
                // The platform's executor shows its own box on a failure; unattended, the
                // command goes without it and its failure where the library's messages go.
                if (!unattended()) {
                    mciExecute(command.c_str());
                    continue;
                }
                const MCIERROR error = mciSendStringA(command.c_str(), nullptr, 0, nullptr);
                char text[256] = {};
                if (error != 0 && mciGetErrorStringA(error, text, sizeof text))
                    showLibraryMessage(fromAnsi(text), MB_ICONHAND, L"Error in mciExecute()");
            }
        return S_OK;
    });
}

HRESULT Cls_Multimedia::ReglageVolume(VARIANT_BOOL *Grand) {
    return guarded([&] {
        // The full mixer when asked for it; the small volume slider otherwise, the parameter
        // left out included.
        const bool full = Grand && *Grand != VARIANT_FALSE;
        startSystemProgram(full ? "sndvol32" : "sndvol32 /t", kMinimisedWithFocus);
        return S_OK;
    });
}

HRESULT Cls_Multimedia::CarteSonPresente(VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        // The count is narrowed to 16 bits before the comparison, as the result always was.
        const auto devices = static_cast<std::int16_t>(waveOutGetNumDevs());
        *pRetVal = devices != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT Cls_Multimedia::OuvrirMP3(BSTR *strNomFichier, VARIANT_BOOL *blnJouerFichier) {
    return guarded([&] {
        std::optional<std::string> file = fileArgumentOf(strNomFichier);
        if (!file) return S_OK;
        sendMediaCommands(MediaMember::OuvrirMP3, *file);
        if (blnJouerFichier && *blnJouerFichier != VARIANT_FALSE) sendMediaCommands(MediaMember::JouerMP3);
        return S_OK;
    });
}

HRESULT Cls_Multimedia::JouerMP3() {
    return guarded([] {
        sendMediaCommands(MediaMember::JouerMP3);
        return S_OK;
    });
}

HRESULT Cls_Multimedia::StopMP3() {
    return guarded([] {
        sendMediaCommands(MediaMember::StopMP3);
        return S_OK;
    });
}

HRESULT Cls_Multimedia::PauseMP3() {
    return guarded([] {
        sendMediaCommands(MediaMember::PauseMP3);
        return S_OK;
    });
}

HRESULT Cls_Multimedia::FrequenceFichierWAV(BSTR *CheminFichierWAV, short *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        std::wstring_view path = textOf(CheminFichierWAV ? *CheminFichierWAV : nullptr);
        if (!devices::namesWavFile(path)) return S_OK;
        // A NUL would end the path early and another file would be read in its place.
        if (path.find(L'\0') != std::wstring_view::npos) throw RuntimeError(kBadFileNameOrNumber);
        // Opened for reading only: a missing file is an error, not an empty file left behind.
        const std::wstring name(path);
        tolvare::unique_hfile file(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            const DWORD error = GetLastError();
            throw RuntimeError(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? kFileNotFound
                                                                                               : kPathFileAccessError);
        }
        char head[devices::kBytesForRate];
        DWORD read = 0;
        if (!ReadFile(file.get(), head, sizeof head, &read, nullptr)) throw RuntimeError(kPathFileAccessError);
        *pRetVal = devices::wavRateResult(std::string_view(head, read));
        return S_OK;
    });
}

HRESULT Cls_Multimedia::NoSerieDisque(BSTR *strDrive, LONG *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        AnsiArgument root(strDrive);
        DWORD serial = 0;
        // A failed query leaves the serial at 0, which is the result.
        GetVolumeInformationA(root.get(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
        *pRetVal = LONG(serial);
        return S_OK;
    });
}

HRESULT Cls_Multimedia::EstCDROM(BSTR *strLettreDrive, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    return driveTypeIs(strLettreDrive, devices::kDriveCdRom, pRetVal);
}

HRESULT Cls_Multimedia::EstDisqueDur(BSTR *strLettreDrive, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    return driveTypeIs(strLettreDrive, devices::kDriveFixed, pRetVal);
}

HRESULT Cls_Multimedia::EstDisqueReseau(BSTR *strLettreDrive, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    return driveTypeIs(strLettreDrive, devices::kDriveRemote, pRetVal);
}

HRESULT Cls_Multimedia::EstDisquette(BSTR *strLettreDrive, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    return driveTypeIs(strLettreDrive, devices::kDriveRemovable, pRetVal);
}

HRESULT Cls_Multimedia::TypePeripherique(BSTR *strLettreDrive, LONG *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        *pRetVal = driveTypeOf(strLettreDrive);
        return S_OK;
    });
}

HRESULT Cls_Multimedia::ResolutionEcranX(short *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        *pRetVal = screenExtent(SM_CXSCREEN, LOGPIXELSX);
        return S_OK;
    });
}

HRESULT Cls_Multimedia::ResolutionEcranY(short *pRetVal) {
    clearResult(pRetVal);
    if (!pRetVal) return E_POINTER;
    return guarded([&] {
        *pRetVal = screenExtent(SM_CYSCREEN, LOGPIXELSY);
        return S_OK;
    });
}

}  // namespace korvel
