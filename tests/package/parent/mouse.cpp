#include <qx/qx.h>

int main() {
    return qx::version()[0] == '0' && qx::FULL_TURN_MARK > 6.28f ? 0 : 1;
}
