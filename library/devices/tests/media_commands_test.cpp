// The media members of Cls_Multimedia as the media interface sees them. Where the platform has
// no media devices, a copy of the library is loaded beside a stand-in media library that
// records the command strings it is sent; this program loads nothing else that needs the
// media library first, so the copy's imports reach the stand-in.

#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "common/win32/unique_handle.h"
#include "library/frame/braskedll.h"

namespace {

using tolvare::com_ptr;

std::wstring folderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\') + 1); }

std::wstring thisProgram() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, n);
}

// The copy of the library beside the stand-in, loaded once for the program.
class StandInLibrary {
public:
    static StandInLibrary& get() {
        static StandInLibrary library;
        return library;
    }

    std::string error;
    HMODULE library = nullptr;
    std::wstring logPath;

    com_ptr<_Cls_Multimedia> create() {
        com_ptr<_Cls_Multimedia> object;
        if (!factory_) return object;
        factory_->CreateInstance(nullptr, IID__Cls_Multimedia, object.put_void());
        return object;
    }

    // The commands recorded since the last call.
    std::vector<std::string> takeCommands() {
        std::vector<std::string> commands;
        tolvare::unique_hfile log(CreateFileW(logPath.c_str(), GENERIC_READ,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (log) {
            std::string bytes(1 << 20, '\0');
            DWORD read = 0;
            if (ReadFile(log.get(), bytes.data(), DWORD(bytes.size()), &read, nullptr)) bytes.resize(read);
            else bytes.clear();
            for (size_t start = 0, end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1)
                commands.push_back(bytes.substr(start, end - start));
        }
        DeleteFileW(logPath.c_str());
        return commands;
    }

private:
    StandInLibrary() {
        CoInitialize(nullptr);
        if (GetModuleHandleW(L"winmm.dll")) {
            error = "the media library was loaded before the copy";
            return;
        }
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        const std::wstring folder =
            std::wstring(base) + L"korvel-media-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(GetTickCount64());
        CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring built = folderOf(thisProgram());
        if (!CopyFileW((built + L"KORVEL.dll").c_str(), (folder + L"\\KORVEL.dll").c_str(), FALSE) ||
            !CopyFileW((built + L"..\\media-stand-in\\winmm.dll").c_str(), (folder + L"\\winmm.dll").c_str(),
                       FALSE)) {
            error = "cannot copy the library and the stand-in";
            return;
        }
        logPath = folder + L"\\winmm.dll.log";
        // The library's own folder is searched first for what it imports.
        library = LoadLibraryExW((folder + L"\\KORVEL.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!library) {
            error = "cannot load the copy of the library";
            return;
        }
        // Wine's own media library can claim the stand-in's path: the stand-in is the one
        // without the platform's other entry points.
        HMODULE media = GetModuleHandleW(L"winmm.dll");
        if (!media || GetProcAddress(media, "PlaySoundW")) {
            error = "the copy imports the platform's media library, not the stand-in (under Wine: "
                    "WINEDLLOVERRIDES must hold winmm=n,b)";
            return;
        }
        using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        auto entry = reinterpret_cast<GetClassObject>(GetProcAddress(library, "DllGetClassObject"));
        if (!entry || FAILED(entry(CLSID_Cls_Multimedia, IID_IClassFactory, factory_.put_void())))
            error = "no class factory";
    }

    com_ptr<IClassFactory> factory_;
};

class MediaCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        StandInLibrary& library = StandInLibrary::get();
        ASSERT_EQ(library.error, "");
        media = library.create();
        ASSERT_TRUE(media);
        library.takeCommands();
    }
    std::vector<std::string> sent() { return StandInLibrary::get().takeCommands(); }

    void ouvrirMP3(const wchar_t* name, VARIANT_BOOL* play) {
        BSTR variable = name ? SysAllocString(name) : nullptr;
        EXPECT_EQ(media->OuvrirMP3(&variable, play), S_OK);
        // The caller's variable keeps its text.
        if (name) EXPECT_STREQ(variable, name);
        SysFreeString(variable);
    }
    void jouerUnWav(const std::wstring& name) {
        BSTR variable = SysAllocStringLen(name.data(), UINT(name.size()));
        EXPECT_EQ(media->JouerUnWav(&variable), S_OK);
        SysFreeString(variable);
    }

    com_ptr<_Cls_Multimedia> media;
};

using Commands = std::vector<std::string>;

TEST_F(MediaCommandsTest, EachMemberSendsItsCommandsInOrder) {
    EXPECT_EQ(media->FermerCD(), S_OK);
    EXPECT_EQ(media->OuvrirCD(), S_OK);
    EXPECT_EQ(sent(), (Commands{"send Set cdaudio door closed wait", "send Set cdaudio door Open wait"}));

    VARIANT_BOOL yes = VARIANT_TRUE, no = VARIANT_FALSE;
    ouvrirMP3(L"C:\\musique\\a.mp3", &yes);
    EXPECT_EQ(media->PauseMP3(), S_OK);
    EXPECT_EQ(media->JouerMP3(), S_OK);
    EXPECT_EQ(media->StopMP3(), S_OK);
    EXPECT_EQ(sent(), (Commands{"send Open C:\\musique\\a.mp3 Alias Sonido", "send Play sonido", "send Stop sonido",
                                "send Play sonido", "send Stop sonido", "send Close sonido"}));

    // Not asked to play, or the parameter left out: the file is only opened.
    ouvrirMP3(L"b.mp3", &no);
    ouvrirMP3(L"c.mp3", nullptr);
    EXPECT_EQ(sent(), (Commands{"send Open b.mp3 Alias Sonido", "send Open c.mp3 Alias Sonido"}));

    // JouerUnWav hands its command to the executor.
    jouerUnWav(L"C:\\son.wav");
    EXPECT_EQ(sent(), (Commands{"execute play C:\\son.wav"}));

    // The device belongs to the process: another object stops what this one opened.
    ouvrirMP3(L"d.mp3", &yes);
    com_ptr<_Cls_Multimedia> other = StandInLibrary::get().create();
    ASSERT_TRUE(other);
    EXPECT_EQ(other->StopMP3(), S_OK);
    EXPECT_EQ(sent(), (Commands{"send Open d.mp3 Alias Sonido", "send Play sonido", "send Stop sonido",
                                "send Close sonido"}));

    VARIANT_BOOL present = VARIANT_FALSE;
    EXPECT_EQ(media->CarteSonPresente(&present), S_OK);
    EXPECT_EQ(present, VARIANT_TRUE) << "the stand-in reports one wave-output device";
}

TEST_F(MediaCommandsTest, AFileNameCannotBringKeywordsOrASecondCommand) {
    VARIANT_BOOL yes = VARIANT_TRUE;
    // Blanks: the whole name is quoted, its words stay the file's name.
    ouvrirMP3(L"C:\\mes sons\\a.mp3 type cdaudio", &yes);
    jouerUnWav(L"C:\\mes sons\\b.wav wait");
    // The caller's own quotes around the whole name are kept as they are.
    ouvrirMP3(L"\"C:\\mes sons\\c.mp3\"", nullptr);
    // Characters outside the system code page reach the command as that code page writes them.
    jouerUnWav(L"C:\\\u00e9t\u00e9.wav");
    EXPECT_EQ(sent(), (Commands{"send Open \"C:\\mes sons\\a.mp3 type cdaudio\" Alias Sonido", "send Play sonido",
                                "execute play \"C:\\mes sons\\b.wav wait\"",
                                "send Open \"C:\\mes sons\\c.mp3\" Alias Sonido", "execute play C:\\\xe9t\xe9.wav"}));

    // Quotes that could close the name, a NUL that would cut the alias off, a line break: no
    // command at all, and no error (the media members report nothing).
    ouvrirMP3(L"\"a.mp3\" alias autre", &yes);
    ouvrirMP3(L"a.mp3\" type cdaudio \"", &yes);
    jouerUnWav(std::wstring(L"a.wav\0 wait", 11));
    jouerUnWav(L"a.wav\r\nclose all");
    EXPECT_EQ(sent(), Commands{});
    // A full-width quotation mark, which the code page may turn into a plain one: then the name
    // is refused; otherwise it is one quoted name.
    jouerUnWav(L"a.wav\uff02 wait");
    Commands fullWidth = sent();
    if (!fullWidth.empty()) EXPECT_EQ(fullWidth, (Commands{"execute play \"a.wav? wait\""}));

    // A name of 10,000 characters is sent whole; the media interface refuses it itself.
    const std::wstring longName(10000, L'n');
    jouerUnWav(longName);
    EXPECT_EQ(sent(), (Commands{"execute play " + std::string(10000, 'n')}));

    // A null name is the empty one.
    ouvrirMP3(nullptr, nullptr);
    EXPECT_EQ(sent(), (Commands{"send Open  Alias Sonido"}));
}

}  // namespace
