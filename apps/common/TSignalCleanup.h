#ifndef VELDGRID_APPS_TSIGNALCLEANUP_H
#define VELDGRID_APPS_TSIGNALCLEANUP_H

/// Ends the command on SIGINT, SIGTERM and SIGHUP (and on SIGXFSZ, a file size limit
/// reached) as the signal would, after removing the temporary files of the safe files under
/// way; a signal that the caller ignores (`nohup`, a background job) stays ignored.
class TSignalCleanup {
public:
    /// Installs the handlers; call it once the files to write are known to be distinct.
    static void Install();
};

#endif
