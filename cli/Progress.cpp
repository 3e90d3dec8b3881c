#include "Progress.h"

#include <algorithm>

#include "Sundrykit.h"

namespace qv::cli {

void TransferProgress::BlockReceived(const std::string& block, bool&, int32_t receivedBytes,
                                     int32_t totalBytes, bool& cancel) {
    Traffic().BytesReceived += static_cast<double>(block.size());
    // Plain lines go to files and mail: one per finished transfer, not one per block.
    if (console_.Terminal() || (!block.empty() && receivedBytes >= totalBytes)) {
        console_.Progress("Request #" + std::to_string(Traffic().PieceCount) + ": " +
                          skFormatByteSize(receivedBytes) + " / " + skFormatByteSize(totalBytes));
    }
    if (stopRequested_()) cancel = true;
}

void TransferProgress::BlockSent(const std::string& block, int32_t, int32_t, bool& cancel) {
    Traffic().BytesSent += static_cast<double>(block.size());
    if (stopRequested_()) cancel = true;
}

void TransferProgress::Warn(const std::string& text) { console_.Message(text); }

void TransferProgress::SetStatus(const std::string& text) {
    std::string line = WithNewlines(text);
    std::replace(line.begin(), line.end(), '\n', ' ');
    console_.Progress(line);
}

}  // namespace qv::cli
