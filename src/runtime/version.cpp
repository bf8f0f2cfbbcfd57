#include <qx/version.h>

namespace qx {

const char* version() {
    return QX_VERSION_STRING;
}

}  // namespace qx
