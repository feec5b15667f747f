#include "app/tray_register.h"

int register_with_retries(const TrayRegisterSteps *steps) {
    for (int attempt = 0; attempt < TRAY_REGISTER_ATTEMPTS; ++attempt) {
        // Added, or failed for a reason that waiting does not cure.
        if (steps->add(steps->context) != TRAY_ADD_TIMED_OUT)
            return 1;
        steps->wait(steps->context, TRAY_REGISTER_WAIT_MS);
        if (steps->modify(steps->context))
            return 1;
        steps->undo(steps->context);
    }
    return 0;
}
