/*
 * driver.cpp - the run in its fixed order, and the folding of the last
 * access value into an exit status.
 */
#include "quill.h"

#include "agent.h"

int driver_fold_status(int32_t value)
{
    if (value >= 0 && value <= 255)
        return value;
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    return static_cast<int>(magnitude % 256);
}

int driver_run(void)
{
    set_func(assign_str, assign_array, display_pool, display_pool_as_int);
    if (!pool_create(poolsize))
        diag_cannot_allocate_pool(poolsize);
    if (!yyin)
        yyin = stdin;
    items_configure();
    output_fault = diag_output_failed;
    output_start();
    agent_start();   // under quill-debug: told where to stop, and when to start
    // standard input is in text mode since start-up (streams_prepare)
    yyparse();
    output_flush();   // output that never arrived is a failure, not the script's status
    return driver_fold_status(ev);
}
