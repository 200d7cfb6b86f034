// Transcript delivery: screen, transcribe in the background, then paste where the
// user was typing, or report silence or failure and keep the recording.
#include "app/AppDelegate.h"

#include "capture/WAV.h"
#include "dictation/LiveTranscription.h"
#include "input/Paster.h"
#include "service/APIClient.h"
#include "vault/VaultSync.h"

namespace orvendi {

void AppDelegate::submit(Recording recording, std::optional<InsertionTarget> target,
                         std::shared_ptr<LiveTranscription> live) {
    setIcon("hourglass", "Transcribing");
    screenHUD_.show("Turning speech into text", "ellipsis");
    setToggleTitle(kStartTitle);
    if (retryRecordingItem_) {
        retryRecordingItem_->setEnabled(false);
    }

    std::weak_ptr<AppDelegate> weakSelf = weak_from_this();
    platform_.scheduler.globalAsync(
        QueuePriority::UserInitiated, [weakSelf, recording = std::move(recording),
                                       target = std::move(target), live = std::move(live)] {
            auto self = weakSelf.lock();
            if (!self || !self->api_) {
                return;
            }
            Scheduler& scheduler = self->platform_.scheduler;
            if (!WAV::hasPlausibleVoiceSignal(recording.wav)) {
                auto archivedAt = recording.archiveSilentCopy();
                scheduler.mainAsync([self, archivedAt] { self->reportSilence(archivedAt); });
                return;
            }
            try {
                // Parts already transcribed while recording leave only the rest to wait for.
                auto receipt = live ? live->transcribe(recording)
                                    : self->api_->transcribeWithReceipt(
                                          recording.wav, recording.durationSeconds, false);
                scheduler.mainAsync([self, receipt, recording, target] {
                    self->deliver(receipt, recording, target);
                });
            } catch (const std::exception& error) {
                std::string description = error.what();
                scheduler.mainAsync([self, description, recording] {
                    self->reportFailure(description, recording);
                });
            }
        });
}

void AppDelegate::deliver(const TranscriptionReceipt& receipt, const Recording& recording,
                          const std::optional<InsertionTarget>& target) {
    const std::string& text = receipt.text;
    if (!text.empty()) {
        if (target) {
            target->paste(text, insertionServices());
        } else {
            Paster::paste(text, platform_.pasteboard, platform_.keyEvents, platform_.scheduler);
        }
        if (receipt.id) {
            platform_.defaults.setString(kFirstThoughtKey, *receipt.id);
        }
        lastText_ = text;
        if (copyLastItem_) {
            copyLastItem_->setEnabled(true);
        }
    }
    flash("checkmark.circle.fill");
    screenHUD_.show("Pasted and remembered", "checkmark.circle.fill");
    screenHUD_.hide(1.3);
    if (vault_) {
        vault_->syncSoon();
    }
    recording.discardRecoveryCopy();
    updateRetryItem();
}

void AppDelegate::reportSilence(const std::optional<std::filesystem::path>& archivedAt) {
    showCurrentRecordingState();
    screenHUD_.show("Microphone audio is unusable", "mic.slash");
    screenHUD_.hide(2.8);
    updateRetryItem();
    std::string message = "The microphone captured silence or corrupted audio. Reopen Orvendi and "
                          "confirm the correct input device before trying again.";
    if (archivedAt) {
        message += " The silent file was preserved at " + archivedAt->string() + ".";
    } else {
        message += " The silent file remains preserved locally.";
    }
    fail(message);
}

void AppDelegate::reportFailure(const std::string& description, const Recording& recording) {
    if (retryRecordingItem_) {
        retryRecordingItem_->setEnabled(true);
    }
    screenHUD_.show("Recording saved for retry", "exclamationmark.arrow.circlepath");
    screenHUD_.hide(2.2);
    fail(description + ". Recording saved at " + recording.recoveryURL.string());
}

void AppDelegate::retrySavedRecording() {
    const auto pending = recorder_.pendingRecordings();
    if (!pending.empty()) {
        if (auto recording = recorder_.recover(pending.front())) {
            // The text goes to the element focused now, not when it was recorded.
            submit(std::move(*recording), captureTarget());
            return;
        }
    }
    if (retryRecordingItem_) {
        retryRecordingItem_->setEnabled(false);
    }
}

void AppDelegate::updateRetryItem() {
    if (retryRecordingItem_) {
        retryRecordingItem_->setEnabled(!recorder_.pendingRecordings().empty());
    }
}

} // namespace orvendi
