/*
 * services.cpp - the extension functions as a script meets them, taken from
 * the library's own catalogue so the checker cannot fall behind it.
 */
#include "check.h"
#include "services.h"

namespace {
constexpr int TEXT_OR_0 = KIND_TEXT | KIND_ZERO, A_NUMBER = KIND_NUMBER | KIND_ZERO;
}

const Service check_services[] = {
#define CHECK_SERVICE(number, handler, flags, returns, reads, texts, name, summary, windows) \
    {number, name, reads, texts, returns == RETURNS_TEXT ? TEXT_OR_0 : A_NUMBER, summary, windows},
    OUTCALL_SERVICES(CHECK_SERVICE)
#undef CHECK_SERVICE
};
const int check_service_count = sizeof check_services / sizeof check_services[0];

const Service *check_service(int number)
{
    for (const Service &s : check_services)
        if (s.number == number)
            return &s;
    return nullptr;
}
