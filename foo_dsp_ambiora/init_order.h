// Order of static construction across the component's translation units.
//
// The module's globals depend on each other: the settings must exist before anything reads them,
// and the service factories come after them so that the host can never reach a service whose
// state is not ready. C++ leaves the order between translation units open, so we pin it;
// destruction runs in the reverse order. The engine is no global: the entry point builds it
// (shared_engine.cpp says why), and it is destroyed before any of these.
#pragma once

#define AMBIORA_INIT_SETTINGS __attribute__((init_priority(1000)))
#define AMBIORA_INIT_SERVICES __attribute__((init_priority(3000)))
