// Cls_Multimedia through the real library against Wine's platform: WAV rates of generated
// files, the volume serial set through Wine's serial file of drive C:, drive types, the screen
// of the test display, the sound-card test, the volume control (a stand-in sndvol32.exe beside
// this program records how it is started), and the media members, whose commands Wine's media
// interface refuses without devices: they must come back successful and never hang.

#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/win32/testing/message_box_watcher.h"
#include "library/frame/tests/class_test_support.h"

using namespace korvel_test;

namespace {

std::wstring str(BSTR s) { return s ? std::wstring(s, SysStringLen(s)) : L"<null>"; }

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void writeFile(const std::wstring& path, const std::string& bytes) {
    tolvare::unique_hfile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << "cannot write the file";
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr));
}

std::string readFile(const std::wstring& path) {
    tolvare::unique_hfile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    std::string bytes(1 << 16, '\0');
    DWORD read = 0;
    ReadFile(file.get(), bytes.data(), DWORD(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
}

void put32(std::string& bytes, size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = char((value >> (8 * i)) & 0xFF);
}

// A canonical PCM WAV file: mono, 16 bits, a few silent samples.
std::string wavFile(std::uint32_t rate) {
    std::string bytes(44 + 8, '\0');
    bytes.replace(0, 4, "RIFF");
    put32(bytes, 4, std::uint32_t(bytes.size() - 8));
    bytes.replace(8, 8, "WAVEfmt ");
    put32(bytes, 16, 16);
    bytes[20] = 1;  // PCM
    bytes[22] = 1;  // mono
    put32(bytes, 24, rate);
    put32(bytes, 28, rate * 2);
    bytes[32] = 2;
    bytes[34] = 16;
    bytes.replace(36, 4, "data");
    put32(bytes, 40, 8);
    return bytes;
}

class MultimediaTest : public ::testing::Test {
protected:
    void SetUp() override {
        media = createByClassId<_Cls_Multimedia>(CLSID_Cls_Multimedia);
        ASSERT_TRUE(media);
        ASSERT_EQ(media.query(late), S_OK);
        folder = temporaryFolder();
    }

    struct Frequency {
        HRESULT status;
        short value;
    };
    Frequency frequence(const std::wstring& path) {
        BSTR variable = SysAllocStringLen(path.data(), UINT(path.size()));
        Frequency f{E_FAIL, -99};
        f.status = media->FrequenceFichierWAV(&variable, &f.value);
        EXPECT_EQ(str(variable), path);
        SysFreeString(variable);
        return f;
    }
    long typeOf(const std::wstring& letter, VARIANT_BOOL flags[4]) {
        BSTR variable = SysAllocStringLen(letter.data(), UINT(letter.size()));
        LONG type = -99;
        EXPECT_EQ(media->TypePeripherique(&variable, &type), S_OK);
        EXPECT_EQ(media->EstCDROM(&variable, &flags[0]), S_OK);
        EXPECT_EQ(media->EstDisqueDur(&variable, &flags[1]), S_OK);
        EXPECT_EQ(media->EstDisqueReseau(&variable, &flags[2]), S_OK);
        EXPECT_EQ(media->EstDisquette(&variable, &flags[3]), S_OK);
        EXPECT_EQ(str(variable), letter);
        SysFreeString(variable);
        return type;
    }
    LONG serialOf(const wchar_t* root) {
        BSTR variable = root ? SysAllocString(root) : nullptr;
        LONG serial = -99;
        EXPECT_EQ(media->NoSerieDisque(&variable, &serial), S_OK);
        SysFreeString(variable);
        return serial;
    }

    com_ptr<_Cls_Multimedia> media;
    com_ptr<IDispatch> late;
    std::wstring folder;
};

TEST_F(MultimediaTest, FrequenceFichierWAVReadsTheRateOfGeneratedFiles) {
    struct Case {
        std::uint32_t rate;
        short expected;
    } cases[] = {{8000, 8000}, {22050, 22050}, {44100, -21436}, {48000, -17536}};
    for (const Case& c : cases) {
        const std::wstring path = folder + L"\\son " + std::to_wstring(c.rate) + L".wav";
        ASSERT_NO_FATAL_FAILURE(writeFile(path, wavFile(c.rate)));
        Frequency f = frequence(path);
        EXPECT_EQ(f.status, S_OK);
        EXPECT_EQ(f.value, c.expected) << c.rate;
    }
    // Upper-case extension; a name merely ending in the three letters.
    ASSERT_NO_FATAL_FAILURE(writeFile(folder + L"\\SON.WAV", wavFile(11025)));
    EXPECT_EQ(frequence(folder + L"\\SON.WAV").value, 11025);
    ASSERT_NO_FATAL_FAILURE(writeFile(folder + L"\\sonwav", wavFile(16000)));
    EXPECT_EQ(frequence(folder + L"\\sonwav").value, 16000);

    // Late-bound, as scripts call it.
    const std::wstring path = folder + L"\\son 22050.wav";
    CallResult r;
    invoke(r, late.get(), L"FrequenceFichierWAV", {text(path.c_str())});
    ASSERT_EQ(r.status, S_OK);
    EXPECT_EQ(V_VT(r.value.get()), VT_I2);
    EXPECT_EQ(V_I2(r.value.get()), 22050);
}

TEST_F(MultimediaTest, FrequenceFichierWAVOnOtherFiles) {
    // Another extension: 0, without opening (or making) anything.
    const std::wstring mp3 = folder + L"\\absent.mp3";
    Frequency f = frequence(mp3);
    EXPECT_EQ(f.status, S_OK);
    EXPECT_EQ(f.value, 0);
    EXPECT_FALSE(exists(mp3));
    EXPECT_EQ(frequence(L"").value, 0);
    BSTR none = nullptr;
    short value = -99;
    EXPECT_EQ(media->FrequenceFichierWAV(&none, &value), S_OK);
    EXPECT_EQ(value, 0);

    // Shorter than the header's rate field: no rate.
    ASSERT_NO_FATAL_FAILURE(writeFile(folder + L"\\court.wav", wavFile(8000).substr(0, 25)));
    EXPECT_EQ(frequence(folder + L"\\court.wav").value, 0);
    ASSERT_NO_FATAL_FAILURE(writeFile(folder + L"\\vide.wav", ""));
    f = frequence(folder + L"\\vide.wav");
    EXPECT_EQ(f.status, S_OK);
    EXPECT_EQ(f.value, 0);

    // A missing file is "file not found", and it is not made.
    const std::wstring missing = folder + L"\\absent.wav";
    SetErrorInfo(0, nullptr);
    f = frequence(missing);
    EXPECT_EQ(f.status, HRESULT(0x800A0035));
    EXPECT_EQ(f.value, 0);
    EXPECT_FALSE(exists(missing));
    EXPECT_EQ(frequence(folder + L"\\dossier absent\\son.wav").status, HRESULT(0x800A0035));
    // A folder cannot be read as a file.
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\dossier.wav").c_str(), nullptr));
    EXPECT_EQ(frequence(folder + L"\\dossier.wav").status, HRESULT(0x800A004B));
    // A NUL inside the path would make another file be read.
    ASSERT_NO_FATAL_FAILURE(writeFile(folder + L"\\autre", wavFile(8000)));
    EXPECT_EQ(frequence(folder + L"\\autre" + std::wstring(1, L'\0') + L".wav").status, HRESULT(0x800A0034));
    // Longer than any path: a clean failure.
    EXPECT_TRUE(FAILED(frequence(folder + L"\\" + std::wstring(10000, L'n') + L".wav").status));

    CallResult r;
    invoke(r, late.get(), L"FrequenceFichierWAV", {text(missing.c_str())});
    EXPECT_EQ(r.status, DISP_E_EXCEPTION);
    EXPECT_EQ(r.exception.scode, HRESULT(0x800A0035));
    EXPECT_STREQ(r.exception.bstrDescription, L"Fichier introuvable");
    EXPECT_EQ(media->FrequenceFichierWAV(&none, nullptr), E_POINTER);
}

// The test prefix gives drive C: the serial 8BADF00D (Wine reads it from the drive's
// ".windows-serial" file when its session starts; tools/wine-prefix.sh writes it).
constexpr DWORD kPrefixSerial = 0x8badf00d;

TEST_F(MultimediaTest, NoSerieDisqueGivesTheVolumeSerialSigned) {
    DWORD platform = 0;
    ASSERT_TRUE(GetVolumeInformationA("C:\\", nullptr, 0, &platform, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(serialOf(L"C:\\"), LONG(platform));
    EXPECT_EQ(serialOf(L"c:\\"), LONG(platform));
    CallResult r;
    invoke(r, late.get(), L"NoSerieDisque", {text(L"C:\\")});
    ASSERT_EQ(r.status, S_OK);
    EXPECT_EQ(V_VT(r.value.get()), VT_I4);
    EXPECT_EQ(V_I4(r.value.get()), LONG(platform));
    // At 0x80000000 and above, negative.
    if (platform != kPrefixSerial) GTEST_SKIP() << "the Wine session started before drive C: had its serial file";
    EXPECT_EQ(serialOf(L"C:\\"), -1951535091);
}

TEST_F(MultimediaTest, NoSerieDisqueOfNoVolumeIsZero) {
    const DWORD drives = GetLogicalDrives();
    std::wstring unused;
    for (wchar_t letter = L'Y'; letter > L'D' && unused.empty(); --letter)
        if (!(drives & (1u << (letter - L'A')))) unused = std::wstring(1, letter) + L":\\";
    ASSERT_FALSE(unused.empty());
    EXPECT_EQ(serialOf(unused.c_str()), 0);
    EXPECT_EQ(serialOf(L""), 0);
    EXPECT_EQ(serialOf(std::wstring(10000, L'x').c_str()), 0);
}

TEST_F(MultimediaTest, DriveTypesForOneCharacterOnly) {
    VARIANT_BOOL flags[4];
    // Drive C: of the prefix is a fixed disk, whatever the letter's case.
    for (const wchar_t* c : {L"C", L"c"}) {
        EXPECT_EQ(typeOf(c, flags), 3) << c;
        EXPECT_EQ(flags[0], VARIANT_FALSE);
        EXPECT_EQ(flags[1], VARIANT_TRUE);
        EXPECT_EQ(flags[2], VARIANT_FALSE);
        EXPECT_EQ(flags[3], VARIANT_FALSE);
    }
    // A letter no drive has: "no root directory", none of the kinds.
    const DWORD drives = GetLogicalDrives();
    wchar_t unused = 0;
    for (wchar_t letter = L'Y'; letter > L'D' && !unused; --letter)
        if (!(drives & (1u << (letter - L'A')))) unused = letter;
    ASSERT_NE(unused, 0);
    EXPECT_EQ(typeOf(std::wstring(1, unused), flags), 1);
    for (VARIANT_BOOL flag : flags) EXPECT_EQ(flag, VARIANT_FALSE);

    // Not one non-numeric character: 0 and false, without asking (the platform would answer
    // "C:" and a NUL's empty root for the current drive, a fixed one).
    SetCurrentDirectoryW(L"C:\\");
    for (const std::wstring& refused : {std::wstring(L"C:"), std::wstring(L"C:\\"), std::wstring(L"4"),
                                        std::wstring(L""), std::wstring(1, L'\0'), std::wstring(10000, L'C')}) {
        EXPECT_EQ(typeOf(refused, flags), 0) << refused.size();
        for (VARIANT_BOOL flag : flags) EXPECT_EQ(flag, VARIANT_FALSE);
    }
    BSTR none = nullptr;
    LONG type = -99;
    EXPECT_EQ(media->TypePeripherique(&none, &type), S_OK);
    EXPECT_EQ(type, 0);
    EXPECT_EQ(media->TypePeripherique(&none, nullptr), E_POINTER);
    EXPECT_EQ(media->EstCDROM(&none, nullptr), E_POINTER);

    // Late-bound, every one of the five.
    struct Late {
        const wchar_t* member;
        VARTYPE type;
        long value;
    } calls[] = {{L"TypePeripherique", VT_I4, 3}, {L"EstDisqueDur", VT_BOOL, -1}, {L"EstCDROM", VT_BOOL, 0},
                 {L"EstDisqueReseau", VT_BOOL, 0}, {L"EstDisquette", VT_BOOL, 0}};
    for (const Late& call : calls) {
        VARIANT letter;
        V_VT(&letter) = VT_BSTR;
        V_BSTR(&letter) = SysAllocString(L"C");
        VARIANT byReference = reference(&letter);
        CallResult r;
        invoke(r, late.get(), call.member, {byReference});
        ASSERT_EQ(r.status, S_OK) << call.member;
        EXPECT_EQ(V_VT(r.value.get()), call.type) << call.member;
        EXPECT_EQ(call.type == VT_I4 ? V_I4(r.value.get()) : V_BOOL(r.value.get()), call.value) << call.member;
        EXPECT_STREQ(V_BSTR(&letter), L"C");
        VariantClear(&letter);
    }
}

TEST_F(MultimediaTest, ResolutionEcranIsTheScreenInPixels) {
    short x = -1, y = -1;
    EXPECT_EQ(media->ResolutionEcranX(&x), S_OK);
    EXPECT_EQ(media->ResolutionEcranY(&y), S_OK);
    // At the display's 96 dots per inch, 15 twips per pixel: the pixels themselves.
    EXPECT_EQ(x, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(y, GetSystemMetrics(SM_CYSCREEN));
    // The test display's geometry.
    EXPECT_EQ(x, 1024);
    EXPECT_EQ(y, 768);
    for (const wchar_t* member : {L"ResolutionEcranX", L"ResolutionEcranY"}) {
        CallResult r;
        invoke(r, late.get(), member, {});
        ASSERT_EQ(r.status, S_OK);
        EXPECT_EQ(V_VT(r.value.get()), VT_I2);
        EXPECT_EQ(V_I2(r.value.get()), member[15] == L'X' ? x : y);
    }
    EXPECT_EQ(media->ResolutionEcranX(nullptr), E_POINTER);
}

TEST_F(MultimediaTest, CarteSonPresenteFollowsTheWaveOutputDevices) {
    VARIANT_BOOL present = 99;
    EXPECT_EQ(media->CarteSonPresente(&present), S_OK);
    EXPECT_EQ(present, waveOutGetNumDevs() != 0 ? VARIANT_TRUE : VARIANT_FALSE);
    CallResult r;
    invoke(r, late.get(), L"CarteSonPresente", {});
    ASSERT_EQ(r.status, S_OK);
    EXPECT_EQ(V_VT(r.value.get()), VT_BOOL);
    EXPECT_EQ(V_BOOL(r.value.get()), present);
}

// How the stand-in volume control was started: "flags show command-line" per run.
std::vector<std::wstring> volumeControlRuns(const std::wstring& log, size_t count) {
    std::vector<std::wstring> runs;
    for (int attempt = 0; attempt < 600; ++attempt) {
        runs.clear();
        std::string bytes = readFile(log);
        for (size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
            runs.push_back(std::wstring(bytes.begin() + long(start), bytes.begin() + long(end)));
        if (runs.size() >= count) break;
        Sleep(100);
    }
    return runs;
}

std::wstring systemVolumeControl() {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\sndvol32.exe";
}

// The volume control is started from the system folder by its full path (Wine has none: the
// stand-in is put there for the test); a copy beside the caller never runs.
TEST_F(MultimediaTest, ReglageVolumeStartsTheSystemsVolumeControlMinimisedWithFocus) {
    const std::wstring beside = besideTestProgram(L"sndvol32.exe");
    ASSERT_TRUE(exists(beside)) << "the stand-in volume control is built beside this program";
    const std::wstring standIn = systemVolumeControl();
    // A stand-in placed by a run that ended half-way (it marks what it added) goes first.
    const std::wstring added = standIn + L".korvel-added";
    if (exists(added)) {
        DeleteFileW(standIn.c_str());
        DeleteFileW(added.c_str());
    }
    if (exists(standIn)) GTEST_SKIP() << "this system has a volume control of its own";
    CloseHandle(CreateFileW(added.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(CopyFileW(beside.c_str(), standIn.c_str(), TRUE));
    const std::wstring log = standIn + L".log";
    DeleteFileW(log.c_str());
    DeleteFileW((beside + L".log").c_str());
    const std::wstring quoted = L"\"" + standIn + L"\"";
    // 1 is STARTF_USESHOWWINDOW, 2 SW_SHOWMINIMIZED.
    VARIANT_BOOL full = VARIANT_TRUE, small = VARIANT_FALSE;
    EXPECT_EQ(media->ReglageVolume(&full), S_OK);
    EXPECT_EQ(volumeControlRuns(log, 1), (std::vector<std::wstring>{L"1 2 " + quoted}));
    DeleteFileW(log.c_str());
    EXPECT_EQ(media->ReglageVolume(&small), S_OK);
    EXPECT_EQ(volumeControlRuns(log, 1), (std::vector<std::wstring>{L"1 2 " + quoted + L" /t"}));
    DeleteFileW(log.c_str());
    EXPECT_EQ(media->ReglageVolume(nullptr), S_OK);
    EXPECT_EQ(volumeControlRuns(log, 1), (std::vector<std::wstring>{L"1 2 " + quoted + L" /t"}));
    DeleteFileW(log.c_str());
    // Late-bound, the parameter left out and given.
    CallResult left, given;
    invoke(left, late.get(), L"ReglageVolume", {});
    EXPECT_EQ(left.status, S_OK);
    EXPECT_EQ(volumeControlRuns(log, 1), (std::vector<std::wstring>{L"1 2 " + quoted + L" /t"}));
    DeleteFileW(log.c_str());
    VARIANT yes;
    V_VT(&yes) = VT_BOOL;
    V_BOOL(&yes) = VARIANT_TRUE;
    invoke(given, late.get(), L"ReglageVolume", {yes});
    EXPECT_EQ(given.status, S_OK);
    EXPECT_EQ(volumeControlRuns(log, 1), (std::vector<std::wstring>{L"1 2 " + quoted}));
    DeleteFileW(log.c_str());
    DeleteFileW(standIn.c_str());
    DeleteFileW(added.c_str());
    EXPECT_FALSE(exists(beside + L".log")) << "the copy beside this program never ran";
}

TEST_F(MultimediaTest, ReglageVolumeWithoutAVolumeControlIsFileNotFound) {
    // Wine has none of its own; the copy beside this program is not one to run.
    if (exists(systemVolumeControl())) GTEST_SKIP() << "this system has a volume control of its own";
    VARIANT_BOOL full = VARIANT_TRUE;
    HRESULT early = media->ReglageVolume(&full);
    CallResult r;
    invoke(r, late.get(), L"ReglageVolume", {});
    EXPECT_EQ(early, HRESULT(0x800A0035));
    EXPECT_EQ(r.status, DISP_E_EXCEPTION);
    EXPECT_EQ(r.exception.scode, HRESULT(0x800A0035));
}

TEST_F(MultimediaTest, MediaMembersSucceedWithoutDevicesAndNeverHang) {
    // Wine's media interface has no devices: every command fails inside it, and the members
    // report nothing. The executor tells the user in a box, answered here.
    tolvare::testing::MessageBoxAnswerer answerer;
    EXPECT_EQ(media->FermerCD(), S_OK);
    EXPECT_EQ(media->OuvrirCD(), S_OK);
    const std::wstring wav = folder + L"\\son 8000.wav";
    ASSERT_NO_FATAL_FAILURE(writeFile(wav, wavFile(8000)));
    VARIANT_BOOL play = VARIANT_TRUE;
    for (const std::wstring& name : {wav, L"\"" + wav + L"\"", std::wstring(10000, L'n'),
                                     std::wstring(L"a.mp3\" alias autre"), std::wstring()}) {
        BSTR variable = SysAllocStringLen(name.data(), UINT(name.size()));
        EXPECT_EQ(media->OuvrirMP3(&variable, &play), S_OK);
        EXPECT_EQ(media->PauseMP3(), S_OK);
        EXPECT_EQ(media->JouerMP3(), S_OK);
        EXPECT_EQ(media->StopMP3(), S_OK);
        EXPECT_EQ(str(variable), name);
        SysFreeString(variable);
    }
    BSTR none = nullptr;
    EXPECT_EQ(media->OuvrirMP3(&none, nullptr), S_OK);

    // A name the members refuse reaches no command: no box.
    const int before = answerer.answered();
    BSTR refused = SysAllocString(L"a.wav\" wait");
    EXPECT_EQ(media->JouerUnWav(&refused), S_OK);
    SysFreeString(refused);
    EXPECT_EQ(answerer.answered(), before);

    for (const wchar_t* member : {L"FermerCD", L"OuvrirCD", L"JouerMP3", L"PauseMP3", L"StopMP3"}) {
        CallResult r;
        invoke(r, late.get(), member, {});
        EXPECT_EQ(r.status, S_OK) << member;
    }
    CallResult opened;
    invoke(opened, late.get(), L"OuvrirMP3", {text(wav.c_str())});
    EXPECT_EQ(opened.status, S_OK);
    CallResult played;
    invoke(played, late.get(), L"JouerUnWav", {text(wav.c_str())});
    EXPECT_EQ(played.status, S_OK);
    BSTR variable = SysAllocString(std::wstring(10000, L'n').c_str());
    EXPECT_EQ(media->JouerUnWav(&variable), S_OK);
    SysFreeString(variable);
}

}  // namespace
