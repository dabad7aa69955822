// Cls_Internet: host and adapter information, downloads, addresses, shares and mail.
#pragma once

#include "common/win32/unique_handle.h"
#include "library/frame/braskedll.h"
#include "library/frame/dispatch.h"

namespace korvel {

class Cls_Internet final : public DispatchObject<Cls_Internet, _Cls_Internet> {
public:
    static constexpr wchar_t kClassName[] = L"Cls_Internet";

    IFACEMETHODIMP get_NSession(IDispatch **pRetVal) override;
    IFACEMETHODIMP putref_NSession(IDispatch *NSession) override;
    IFACEMETHODIMP GetIPAddress(BSTR *pRetVal) override;
    IFACEMETHODIMP GetIPHostName(BSTR *pRetVal) override;
    // Downloads sURL into the file sLocalFile (both crossing as ANSI text) with the platform's
    // URL download service. True (-1) only when the whole resource arrived: false (0) when the
    // service fails, when the server answers with an error status or not at all, when fewer
    // bytes arrive than the answer announced, and when no file is left at the target. Reports
    // nothing else; whatever the service wrote stays, and a rejected answer is removed from the
    // Internet cache.
    IFACEMETHODIMP TelechargeFichier(BSTR sURL, BSTR sLocalFile, VARIANT_BOOL *pRetVal) override;
    IFACEMETHODIMP GetMACAddress(BSTR *pRetVal) override;
    IFACEMETHODIMP GetHostNameFromIP(BSTR sAddress, BSTR *pRetVal) override;
    IFACEMETHODIMP GetIPFromHostName(BSTR sHostName, BSTR *pRetVal) override;
    IFACEMETHODIMP EcrireEmail_LotusNotes(BSTR *EmailDest, BSTR *strSujet, BSTR *Messagetext, BSTR *Attachment, VARIANT_BOOL *AccuseMsgbox) override;
    IFACEMETHODIMP EcrireEmail_OutlookExpress(BSTR *MsgFrom, BSTR *MsgTo, BSTR *MsgCC, BSTR *MsgBCC, BSTR *MsgSubject, short *MsgPriority, BSTR *MsgMessage, VARIANT_BOOL *pRetVal) override;
    IFACEMETHODIMP GetDNSServers(BSTR *sCurrentDNSServer, SAFEARRAY **dnssvr, LONG *pRetVal) override;
    IFACEMETHODIMP GetUserName(BSTR *pRetVal) override;
    IFACEMETHODIMP ExecuterURL(BSTR *strURL, LONG *hwnd) override;
    IFACEMETHODIMP PartageRep(BSTR *sServer, BSTR *sSharePath, BSTR *sShareName, BSTR *sShareRemark, BSTR *sSharePw, LONG *pRetVal) override;
    IFACEMETHODIMP ShareFolder9x(BSTR *ShareName, BSTR *FullPath, BSTR *Description) override;

private:
    // Creates the Notes session by its programmatic name when none is stored; stays empty when
    // it cannot be created.
    void openNotesSession();

    tolvare::com_ptr<IDispatch> session_;  // NSession: the Notes session, set by the caller or made here
};

}  // namespace korvel
