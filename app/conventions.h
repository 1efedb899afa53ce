// What every Brivo window shares: window titles, the product's addresses, the home icon.
#pragma once

class QIcon;

namespace brivo {

// Window titles, one per window class. The archive tool's title ends in a blank.
namespace title {
inline constexpr char launcher[] = "Brivo - K.VARDEN";
inline constexpr char mediaPlayer[] = "Brivo - K.VARDEN";
inline constexpr char codeEditor[] = "Brivo : IDE - K.VARDEN";
inline constexpr char notepad[] = "Brivo : TextEdit - K.VARDEN";
inline constexpr char imageViewer[] = "Brivo : Image Viewer - K.VARDEN";
inline constexpr char pdfViewer[] = "Brivo : Pdf Viewer - K.VARDEN";
inline constexpr char gifViewer[] = "Brivo : Gif Viewer - K.VARDEN";
inline constexpr char webBrowser[] = "Brivo : Web Browser - K.VARDEN";
inline constexpr char archive[] = "Brivo : Zip - K.VARDEN ";
inline constexpr char snapshot[] = "Brivo : Snap Shot - K.VARDEN";
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
QIcon homeIconImage();

// The icon path the tool windows ask for. The bundle has no such picture, so these windows show the
// application's own icon.
inline constexpr char toolWindowIcon[] = ":/images/main.png";

} // namespace brivo
