#pragma once
// The size of a session's machine arena, from the machines themselves: the
// deepest chain of machines that one command keeps alive at a time, each
// block with its head. A machine added to a chain is added here.
#include <algorithm>

#include "datastream/Arena.h"
#include "datastream/CRWIN.h"
#include "datastream/DEGRID.h"
#include "datastream/DFSF.h"
#include "datastream/GLM.h"
#include "datastream/LSTCMD.h"
#include "datastream/PMB.h"
#include "datastream/RMGUICON.h"
#include "datastream/ROLL.h"
#include "datastream/Restore.h"
#include "datastream/SAVEP.h"
#include "datastream/SBF.h"
#include "datastream/SOH.h"
#include "datastream/TD.h"
#include "datastream/Query5250.h"
#include "datastream/WSF.h"
#include "datastream/WSSF.h"
#include "datastream/WTD.h"
#include "datastream/WTDWSF.h"
#include "datastream/WEC.h"

namespace dsm_arena {
// Write to Display and the machine of one of its orders (a structured field
// order with the machine of its type).
constexpr unsigned int kWriteToDisplayChain =
    Arena::blockBytes(sizeof(WTD)) +
    std::max({Arena::blockBytes(sizeof(SOH)), Arena::blockBytes(sizeof(TD)),
              Arena::blockBytes(sizeof(WTDWSF)) +
                  std::max({Arena::blockBytes(sizeof(CRWIN)),
                            Arena::blockBytes(sizeof(PMB)), Arena::blockBytes(sizeof(RMGUICON)),
                            Arena::blockBytes(sizeof(DEGRID)),
                            Arena::blockBytes(sizeof(DFSF)), Arena::blockBytes(sizeof(SBF))})});
// Write Structured Field and the machine of its type.
constexpr unsigned int kStructuredFieldChain =
    std::max(Arena::blockBytes(sizeof(WSF)), Arena::blockBytes(sizeof(WSSF))) +
    std::max({Arena::blockBytes(sizeof(QRY5250)), Arena::blockBytes(sizeof(QSS5250)),
              Arena::blockBytes(sizeof(TDFHost))});
// The last-command machine and the machine it hands a command to.
constexpr unsigned int kLastCommandChain =
    Arena::blockBytes(sizeof(LSTCMD)) + Arena::blockBytes(sizeof(Restore));
// Any other command machine on its own.
constexpr unsigned int kCommandChain = std::max(
    {Arena::blockBytes(sizeof(SAVEP)), Arena::blockBytes(sizeof(Restore)),
     Arena::blockBytes(sizeof(WEC)), Arena::blockBytes(sizeof(WECW)), Arena::blockBytes(sizeof(ROLL)),
     Arena::blockBytes(sizeof(GLM))});

constexpr unsigned int kPoolBytes =
    std::max({kWriteToDisplayChain, kLastCommandChain, kCommandChain, kStructuredFieldChain});

static_assert(kPoolBytes % Arena::kAlign == 0, "arena pool not a multiple of its alignment");
static_assert(kPoolBytes - Arena::kHead <= Arena::kMaxBody, "arena beyond its 16-bit sizes");
static_assert(kWriteToDisplayChain <= kPoolBytes && kLastCommandChain <= kPoolBytes,
              "a chain of machines does not fit the arena");
}  // namespace dsm_arena
