#include "app/TranscriptDelivery.h"

#include "app/StatusMenu.h"
#include "capture/Recorder.h"
#include "capture/WAV.h"
#include "dictation/LiveTranscription.h"
#include "platform/Defaults.h"
#include "platform/Log.h"
#include "platform/Pasteboard.h"
#include "service/Backend.h"
#include "ui/HUDMessage.h"
#include "ui/ScreenAwareHUD.h"

namespace orvendi {

TranscriptDelivery::TranscriptDelivery(std::shared_ptr<Backend> backend, InsertionServices services,
                                       Defaults& defaults, Log& log,
                                       std::shared_ptr<Recorder> recorder,
                                       std::shared_ptr<ScreenAwareHUD> hud,
                                       std::shared_ptr<StatusMenu> statusMenu,
                                       std::function<void()> afterDelivery)
    : backend_(std::move(backend)), services_(services), defaults_(defaults), log_(log),
      recorder_(std::move(recorder)), hud_(std::move(hud)), statusMenu_(std::move(statusMenu)),
      afterDelivery_(std::move(afterDelivery)) {}

std::shared_ptr<LiveTranscription>
TranscriptDelivery::startLiveTranscription(std::function<void(double seconds)> prepared) {
    return std::make_shared<LiveTranscription>(
        services_.scheduler, TranscriptionCalls::of(backend_), std::move(prepared));
}

void TranscriptDelivery::submit(Recording recording, std::optional<InsertionTarget> target,
                                std::shared_ptr<LiveTranscription> live) {
    statusMenu_->setIcon("hourglass", "Transcribing");
    hud_->show("Turning speech into text", "ellipsis");
    statusMenu_->setToggleTitle(StatusMenu::kStartTitle);
    statusMenu_->setRetryEnabled(false);
    // Until its outcome arrives, a retry leaves this recording alone.
    recorder_->uploadStarted(recording.recoveryURL);

    std::weak_ptr<TranscriptDelivery> weakSelf = weak_from_this();
    services_.scheduler.globalAsync(
        QueuePriority::UserInitiated, [weakSelf, recording = std::move(recording),
                                       target = std::move(target), live = std::move(live)] {
            auto self = weakSelf.lock();
            if (!self) {
                return;
            }
            Scheduler& scheduler = self->services_.scheduler;
            if (!WAV::hasPlausibleVoiceSignal(recording.wav)) {
                auto archivedAt = recording.archiveSilentCopy();
                scheduler.mainAsync([self, archivedAt, url = recording.recoveryURL] {
                    self->recorder_->uploadEnded(url);
                    self->reportSilence(archivedAt);
                });
                return;
            }
            try {
                // Parts already transcribed while recording leave only the rest to wait for.
                auto receipt = live ? live->transcribe(recording)
                                    : self->backend_->transcribeWithReceipt(
                                          recording.wav, recording.durationSeconds, false);
                scheduler.mainAsync([self, receipt, recording, target] {
                    self->recorder_->uploadEnded(recording.recoveryURL);
                    self->deliver(receipt, recording, target);
                });
            } catch (const std::exception& error) {
                std::string description = error.what();
                scheduler.mainAsync([self, description, recording] {
                    self->recorder_->uploadEnded(recording.recoveryURL);
                    self->reportFailure(description, recording);
                });
            }
        });
}

void TranscriptDelivery::deliver(const TranscriptionReceipt& receipt, const Recording& recording,
                                 const std::optional<InsertionTarget>& target) {
    const std::string& text = receipt.text;
    if (text.empty()) {
        hud_->show(HUDMessages::pastedAndRemembered);
    } else {
        insert(text, target);
        if (receipt.id) {
            defaults_.setString(kFirstThoughtKey, *receipt.id);
        }
        lastText_ = text;
        statusMenu_->enableCopyLast();
    }
    statusMenu_->flash("checkmark.circle.fill");
    if (afterDelivery_) {
        afterDelivery_();
    }
    recording.discardRecoveryCopy();
    statusMenu_->refreshRetryItem();
}

void TranscriptDelivery::insert(const std::string& text,
                                const std::optional<InsertionTarget>& target) {
    // The HUD keeps "Turning speech into text" until the text is in.
    std::weak_ptr<TranscriptDelivery> weakSelf = weak_from_this();
    auto report = [weakSelf](DeliveryOutcome outcome) {
        if (auto self = weakSelf.lock()) {
            self->reportDelivery(outcome);
        }
    };
    if (target) {
        target->paste(text, services_, report);
        return;
    }
    // Nothing had the focus: no keystroke can know where it would land.
    services_.pasteboard.clearContents();
    services_.pasteboard.setString(text);
    report(DeliveryFailure::NoTextField);
}

void TranscriptDelivery::reportDelivery(const DeliveryOutcome& outcome) {
    log_.writeFormat("Orvendi: delivered by %@", {describe(outcome)});
    const auto* failure = std::get_if<DeliveryFailure>(&outcome);
    if (!failure) {
        hud_->show(HUDMessages::pastedAndRemembered);
    } else if (*failure == DeliveryFailure::NoTextField) {
        hud_->show(HUDMessages::copiedNoTextField);
    } else {
        hud_->show(HUDMessages::copiedPressPaste);
    }
}

void TranscriptDelivery::reportSilence(const std::optional<std::filesystem::path>& archivedAt) {
    statusMenu_->showCurrentRecordingState();
    hud_->show("Microphone audio is unusable", "mic.slash");
    hud_->hide(2.8);
    statusMenu_->refreshRetryItem();
    std::string message = "The microphone captured silence or corrupted audio. Reopen Orvendi and "
                          "confirm the correct input device before trying again.";
    if (archivedAt) {
        message += " The silent file was preserved at " + archivedAt->string() + ".";
    } else {
        message += " The silent file remains preserved locally.";
    }
    statusMenu_->fail(message);
}

void TranscriptDelivery::reportFailure(const std::string& description, const Recording& recording) {
    statusMenu_->setRetryEnabled(true);
    hud_->show("Recording saved for retry", "exclamationmark.arrow.circlepath");
    hud_->hide(2.2);
    statusMenu_->fail(description + ". Recording saved at " + recording.recoveryURL.string());
}

void TranscriptDelivery::retrySavedRecording() {
    // Never the recording in progress: its spool is still being written.
    if (auto recording = recorder_->takeNextPending()) {
        // The text goes to the element focused now, not when it was recorded.
        submit(std::move(*recording), InsertionTarget::capture(services_));
        return;
    }
    statusMenu_->setRetryEnabled(false);
}

void TranscriptDelivery::copyLast() {
    if (!lastText_) {
        return;
    }
    services_.pasteboard.clearContents();
    services_.pasteboard.setString(*lastText_);
    statusMenu_->flash("doc.on.clipboard");
}

} // namespace orvendi
