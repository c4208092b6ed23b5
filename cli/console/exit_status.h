#pragma once
// What tessmorctl's exit status tells a script; the help text and the README list the same.
enum CtlExitStatus : int {
    kExitSuccess = 0,
    kExitUsage = 1,            // a usage error or a refused choice: nothing was written
    kExitNoCard = 2,           // the card is not found
    kExitUnsupported = 3,      // the property is supported under none of DVB-S, DVB-T and DVB-C
    kExitReadWriteFailed = 4,  // reading or writing the modes failed
    kExitNotApplied = 5,       // --wait read back other modes than were written
    kExitTaskFailed = 6,       // the task could not be registered, read or removed
    kExitServiceNotRestarted = 7,  // the modes were written and taken, but the service named by
                                   // --restart-service could not be restarted
};
