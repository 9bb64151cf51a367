#include "app/cli/run/box_job.h"

#include "app/cli/machine/port_names.h"

TransferOptions BoxOptions(const TransferOptions& options, const std::string& port, TransferKind kind) {
    TransferOptions own = options;
    own.session.link.PortName = port;
    own.trace = WithPort(options.trace, port);
    if (kind != TransferKind::Verify) own.yes = true;
    return own;
}
