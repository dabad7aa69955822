#include "library/cryptage/cls_cryptage.h"

namespace korvel {

HRESULT Cls_Cryptage::get_InBuffer(BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"get_InBuffer");
}

HRESULT Cls_Cryptage::put_InBuffer(BSTR *vData) {
    return notImplemented(L"put_InBuffer");
}

HRESULT Cls_Cryptage::get_OutBuffer(BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"get_OutBuffer");
}

HRESULT Cls_Cryptage::get_Signature(BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"get_Signature");
}

HRESULT Cls_Cryptage::put_Signature(BSTR *vData) {
    return notImplemented(L"put_Signature");
}

HRESULT Cls_Cryptage::Sign() {
    return notImplemented(L"Sign");
}

HRESULT Cls_Cryptage::Validate() {
    return notImplemented(L"Validate");
}

HRESULT Cls_Cryptage::Encrypt() {
    return notImplemented(L"Encrypt");
}

HRESULT Cls_Cryptage::Decrypt() {
    return notImplemented(L"Decrypt");
}

HRESULT Cls_Cryptage::get_Status(LONG *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"get_Status");
}

HRESULT Cls_Cryptage::get_Password(BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"get_Password");
}

HRESULT Cls_Cryptage::put_Password(BSTR *vData) {
    return notImplemented(L"put_Password");
}

}  // namespace korvel
