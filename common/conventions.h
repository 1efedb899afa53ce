// What every Brivo window shares: the launcher's title, the product's addresses, the home icon. The tools'
// window titles are in the tool table.
#pragma once

#include "brivo_core_export.h"

class QIcon;

namespace brivo {

namespace title {
inline constexpr char launcher[] = "Brivo - K.VARDEN";
} // namespace title

// The product's web site and contact addresses, the same in every box that names them.
namespace contact {
inline constexpr char webSite[] = "www.brivo-tools.org";
inline constexpr char authorMail[] = "kvarden@brivo-tools.org";
inline constexpr char supportMail[] = "support@brivo-tools.org";
} // namespace contact

// The icon of every home button, and of the launcher window.
inline constexpr char homeIcon[] = ":/images/main.ico";

// That icon, decoded once for the whole process: it holds nine pictures, and every window that opens
// shows it.
BRIVO_CORE_EXPORT QIcon homeIconImage();

// The icon path the tool windows ask for. The bundle has no such picture, so these windows show the
// application's own icon.
inline constexpr char toolWindowIcon[] = ":/images/main.png";

} // namespace brivo
