// SPDX-License-Identifier: MIT
// Receiving a submission; see Intake.h.
#include "scores/intake/Intake.h"

#include <cstdio>

namespace gyrolap::scores {

Intake::Intake(Store& store, IntakeOptions options)
    : store_(store), options_(std::move(options)), replays_(options_.replaySlots) {}

Outcome Intake::Receive(const SubmissionForm& form) {
    const Judgement judgement = Judge(form, {replays_, options_.slotWait}, options_.now());
    switch (judgement.refusal) {
        case Refusal::None:
            break;
        case Refusal::UnfitField:
            return {OutcomeKind::UnfitField, judgement.reason, std::nullopt};
        case Refusal::DoesNotHold:
            return {OutcomeKind::DoesNotHold, judgement.reason, std::nullopt};
        case Refusal::Busy:
            return {OutcomeKind::Busy, judgement.reason, std::nullopt};
    }
    try {
        const PutResult stored =
            store_.Put(judgement.entry, judgement.proof ? &*judgement.proof : nullptr);
        const OutcomeKind kind = stored.kind == PutKind::Created    ? OutcomeKind::Created
                                 : stored.kind == PutKind::Upgraded ? OutcomeKind::Upgraded
                                                                    : OutcomeKind::Existing;
        return {kind, "", stored.entry};
    } catch (const StoreUnavailable& error) {
        std::fprintf(stderr, "gyrolap-scores: cannot store a submission now: %s\n", error.what());
        return {OutcomeKind::StoreAway,
                "the score page cannot store scores at the moment; try again in a minute",
                std::nullopt};
    } catch (const StoreError& error) {
        std::fprintf(stderr, "gyrolap-scores: cannot store a submission: %s\n", error.what());
        return {OutcomeKind::NotStored, "the score could not be stored; try again later",
                std::nullopt};
    }
}

}  // namespace gyrolap::scores
