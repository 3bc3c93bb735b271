// Order of static construction across the component's translation units.
//
// The module's globals depend on each other: the settings must exist before anything reads them,
// the engine is built next, and the service factories come last so that the host can never reach
// a service whose state is not ready. C++ leaves the order between translation units open, so we
// pin it; destruction runs in the reverse order.
#pragma once

#define AMBIORA_INIT_SETTINGS __attribute__((init_priority(1000)))
#define AMBIORA_INIT_ENGINE __attribute__((init_priority(2000)))
#define AMBIORA_INIT_SERVICES __attribute__((init_priority(3000)))
