// The eleven classes of KORVEL, in type-library order: the one table that DllGetClassObject
// and registration read.

#include "library/cryptage/cls_cryptage.h"
#include "library/datemath/cls_date.h"
#include "library/datemath/cls_math.h"
#include "library/devices/cls_multimedia.h"
#include "library/devices/cls_sourisclv.h"
#include "library/frame/module.h"
#include "library/korvel/class_table.h"
#include "library/initreg/cls_initreg.h"
#include "library/internet/cls_internet.h"
#include "library/sql/cls_sql.h"
#include "library/text/cls_conversion.h"
#include "library/text/cls_traduction.h"
#include "library/windows/cls_windows.h"

namespace korvel {

namespace {
#define KORVEL_CLASS(name) {CLSID_##name, IID__##name, L## #name, &createObject<name>}
const ClassEntry kClasses[] = {
    KORVEL_CLASS(Cls_InitREG),    KORVEL_CLASS(Cls_Windows),  KORVEL_CLASS(Cls_Traduction),
    KORVEL_CLASS(Cls_Internet),   KORVEL_CLASS(Cls_Date),     KORVEL_CLASS(Cls_SQL),
    KORVEL_CLASS(Cls_Cryptage),   KORVEL_CLASS(Cls_Conversion), KORVEL_CLASS(Cls_Multimedia),
    KORVEL_CLASS(Cls_Math),       KORVEL_CLASS(Cls_SourisClv),
};
#undef KORVEL_CLASS
}  // namespace

const ClassEntry* classTable(std::size_t& count) noexcept {
    count = sizeof(kClasses) / sizeof(kClasses[0]);
    return kClasses;
}

}  // namespace korvel
