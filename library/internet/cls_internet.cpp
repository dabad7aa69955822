#include "library/internet/cls_internet.h"

namespace korvel {

HRESULT Cls_Internet::get_NSession(IDispatch **pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"get_NSession");
}

HRESULT Cls_Internet::putref_NSession(IDispatch *NSession) {
    return notImplemented(L"putref_NSession");
}

HRESULT Cls_Internet::GetIPAddress(BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"GetIPAddress");
}

HRESULT Cls_Internet::GetIPHostName(BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"GetIPHostName");
}

HRESULT Cls_Internet::TelechargeFichier(BSTR sURL, BSTR sLocalFile, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"TelechargeFichier");
}

HRESULT Cls_Internet::GetMACAddress(BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"GetMACAddress");
}

HRESULT Cls_Internet::GetHostNameFromIP(BSTR sAddress, BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"GetHostNameFromIP");
}

HRESULT Cls_Internet::GetIPFromHostName(BSTR sHostName, BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"GetIPFromHostName");
}

HRESULT Cls_Internet::EcrireEmail_LotusNotes(BSTR *EmailDest, BSTR *strSujet, BSTR *Messagetext, BSTR *Attachment, VARIANT_BOOL *AccuseMsgbox) {
    return notImplemented(L"EcrireEmail_LotusNotes");
}

HRESULT Cls_Internet::EcrireEmail_OutlookExpress(BSTR *MsgFrom, BSTR *MsgTo, BSTR *MsgCC, BSTR *MsgBCC, BSTR *MsgSubject, short *MsgPriority, BSTR *MsgMessage, VARIANT_BOOL *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"EcrireEmail_OutlookExpress");
}

HRESULT Cls_Internet::GetDNSServers(BSTR *sCurrentDNSServer, SAFEARRAY **dnssvr, LONG *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"GetDNSServers");
}

HRESULT Cls_Internet::GetUserName(BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"GetUserName");
}

HRESULT Cls_Internet::ExecuterURL(BSTR *strURL, LONG *hwnd) {
    return notImplemented(L"ExecuterURL");
}

HRESULT Cls_Internet::PartageRep(BSTR *sServer, BSTR *sSharePath, BSTR *sShareName, BSTR *sShareRemark, BSTR *sSharePw, LONG *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"PartageRep");
}

HRESULT Cls_Internet::ShareFolder9x(BSTR *ShareName, BSTR *FullPath, BSTR *Description) {
    return notImplemented(L"ShareFolder9x");
}

}  // namespace korvel
