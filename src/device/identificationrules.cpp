#include "identificationrules.h"

#include "constants.h"

#include <algorithm>

namespace IdentificationRules {

namespace {

struct ReplyRow
{
    const char *prefix;
    DeviceKind kind;
};

const ReplyRow kReplyTable[] = {
    {"0903064753", GS},    {"0903064743", GC}, {"0903064744", GD},   {"0903064755", GU},
    {"0903064756", GV},    {"0903064348", CH}, {"0903064b3031", K01}, {"090306474231", GB1},
};

const char *const kSecondaryGb1Prefix = "090306474231";

} // namespace

const PortSettings kProbeSettings = {BAUD115200, DATA_8, PAR_NONE, STOP_1, FLOW_OFF, 100};

DeviceKind kindFromVersionReply(const QByteArray &reply)
{
    const QByteArray hex = reply.toHex();
    for (const ReplyRow &row : kReplyTable) {
        if (hex.startsWith(row.prefix))
            return row.kind;
    }
    return Unidentified;
}

bool namesSecondaryGb1(const QByteArray &reply)
{
    return reply.toHex().startsWith(kSecondaryGb1Prefix);
}

bool printsGsBanner(const QByteArray &text)
{
    return text.contains("(GS1)") || text.contains("(GS2)") || text.contains("(GS3)");
}

bool answersLikeARom(const QByteArray &reply)
{
    return !reply.isEmpty()
        && std::all_of(reply.begin(), reply.end(), [](char byte) {
               return uint8_t(byte) == stbl::ACK || uint8_t(byte) == stbl::NACK;
           });
}

} // namespace IdentificationRules
