// Cls_SQL: ODBC Access data sources and SQL quoting.
#pragma once

#include "library/frame/braskedll.h"
#include "library/frame/dispatch.h"

namespace korvel {

class Cls_SQL final : public DispatchObject<Cls_SQL, _Cls_SQL> {
public:
    static constexpr wchar_t kClassName[] = L"Cls_SQL";

    IFACEMETHODIMP RepAPOS(BSTR *Chaine, BSTR *pRetVal) override;
    IFACEMETHODIMP Creer_ODBC_Access(BSTR *DBFichier, BSTR *LienODBC, VARIANT *pRetVal) override;
};

}  // namespace korvel
