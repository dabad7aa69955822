#include "library/sql/cls_sql.h"

namespace korvel {

HRESULT Cls_SQL::RepAPOS(BSTR *Chaine, BSTR *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"RepAPOS");
}

HRESULT Cls_SQL::Creer_ODBC_Access(BSTR *DBFichier, BSTR *LienODBC, VARIANT *pRetVal) {
    clearResult(pRetVal);
    return notImplemented(L"Creer_ODBC_Access");
}

}  // namespace korvel
