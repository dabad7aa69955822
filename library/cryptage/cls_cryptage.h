// Cls_Cryptage: encryption, signing and the key container.
#pragma once

#include <string>

#include "library/frame/braskedll.h"
#include "library/frame/dispatch.h"

namespace korvel {

class Cls_Cryptage final : public DispatchObject<Cls_Cryptage, _Cls_Cryptage> {
public:
    static constexpr wchar_t kClassName[] = L"Cls_Cryptage";

    // Makes sure the user's key container and its two key pairs exist, and tells the user.
    Cls_Cryptage();

    IFACEMETHODIMP get_InBuffer(BSTR *pRetVal) override;
    IFACEMETHODIMP put_InBuffer(BSTR *vData) override;
    IFACEMETHODIMP get_OutBuffer(BSTR *pRetVal) override;
    IFACEMETHODIMP get_Signature(BSTR *pRetVal) override;
    IFACEMETHODIMP put_Signature(BSTR *vData) override;
    IFACEMETHODIMP Sign() override;
    IFACEMETHODIMP Validate() override;
    IFACEMETHODIMP Encrypt() override;
    IFACEMETHODIMP Decrypt() override;
    IFACEMETHODIMP get_Status(LONG *pRetVal) override;
    IFACEMETHODIMP get_Password(BSTR *pRetVal) override;
    IFACEMETHODIMP put_Password(BSTR *vData) override;

private:
    // Status values.
    static constexpr LONG kStarted = 0;
    static constexpr LONG kFinished = 1;
    static constexpr LONG kConfirmed = 2;
    // The operation could not be done: its result (OutBuffer, Signature) is empty.
    static constexpr LONG kFailed = 3;

    bool PrepareKeyContainer();

    std::wstring inBuffer_;
    std::wstring outBuffer_;
    std::wstring signature_;
    std::wstring password_;
    LONG status_ = kStarted;
};

}  // namespace korvel
