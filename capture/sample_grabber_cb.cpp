#include "capture/sample_grabber_cb.h"

#include <exception>
#include <string>

#include "platform/c_boundary.h"

namespace capture {

PictureKind PictureKindForPixelType(std::uint16_t pixelType) {
  return protocol::StoredAs(protocol::PixelTypeOf(pixelType));
}

namespace {

bool AnyPageOption(bool curveFlatten, bool smartPaging, bool fingerErase) {
  return curveFlatten || smartPaging || fingerErase;
}

}  // namespace

bool PageOptionsOn(const ProcessingSwitches& switches) {
  return AnyPageOption(switches.curveFlatten, switches.smartPaging, switches.fingerErase);
}

bool PageOptionsOn(const StillSettings& settings) {
  return AnyPageOption(settings.curveFlatten, settings.smartPaging, settings.fingerErase);
}

bool AnalysisWanted(const ProcessingSwitches& switches) {
  if (switches.autoContinuous && (switches.detectionRunning || switches.scanType == 2)) return true;
  return switches.autoCorrect && !PageOptionsOn(switches);
}

CSampleGrabberCB::CSampleGrabberCB(TraceLine trace) : trace_(std::move(trace)) {
  if (trace_) trace_("CSampleGrabberCB构造");
}

CSampleGrabberCB::~CSampleGrabberCB() {
  if (trace_) trace_("CSampleGrabberCB去构造");
}

void CSampleGrabberCB::SetRotation(int rotationIndex) {
  if (rotationIndex >= 0 && rotationIndex <= 3) rotation_ = rotationIndex * 90;
}

void CSampleGrabberCB::SetCropRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  cropRect_ = {left, top, right, bottom};
}

void CSampleGrabberCB::SetColourCoefficients(float red, float green, float blue, float threshold) {
  coefficients_ = {red, green, blue, threshold};
}

void CSampleGrabberCB::SetFrameSize(std::int32_t width, std::int32_t height) {
  frameWidth_.store(width, std::memory_order_relaxed);
  frameHeight_.store(height, std::memory_order_relaxed);
}

StillParameters CSampleGrabberCB::Parameters() const {
  StillParameters parameters;
  parameters.rotation = rotation_;
  parameters.cropMode = cropMode_;
  parameters.cropRect = cropRect_;
  parameters.frameWidth = FrameWidth();
  parameters.frameHeight = FrameHeight();
  parameters.kind = kind_;
  return parameters;
}

std::uint32_t CSampleGrabberCB::RequestStill() {
  StillParameters parameters = Parameters();
  if (const FrameHooks* hooks = hooks_.load(std::memory_order_acquire)) hooks->PrepareStill(parameters);
  return still_.Request(std::move(parameters));
}

Status CSampleGrabberCB::BufferCB(double sampleTime, const std::uint8_t* buffer, long length) {
  return platform::GuardCBoundary([&] { return HandleFrame(sampleTime, buffer, length); },
                                  [this](const char* what) {
                                    // Without memory even for the trace line, the answer alone must do.
                                    try {
                                      trace_(std::string("\nBufferCB failed: ") + what);
                                    } catch (...) {
                                    }
                                    return status::kFail;
                                  });
}

Status CSampleGrabberCB::HandleFrame(double sampleTime, const std::uint8_t* buffer, long length) {
  FrameHooks* hooks = hooks_.load(std::memory_order_acquire);
  const ProcessingSwitches switches = hooks != nullptr ? hooks->Switches() : ProcessingSwitches{};
  const FrameView frame{buffer, length, FrameWidth(), FrameHeight(), sampleTime};
  if (hooks != nullptr && buffer != nullptr && AnalysisWanted(switches)) {
    // An exception must not leave through the platform's streaming thread.
    try {
      hooks->AnalyseFrame(frame);
    } catch (const std::exception&) {
    }
  }
  if (!still_.Requested()) return status::kOk;
  if (buffer == nullptr) return status::kPointer;
  if (const std::optional<StillParameters> parameters = still_.Take()) ProcessStill(hooks, frame, *parameters);
  return status::kOk;
}

void CSampleGrabberCB::ProcessStill(FrameHooks* hooks, const FrameView& frame, const StillParameters& parameters) {
  if (hooks != nullptr) {
    try {
      if (PageOptionsOn(parameters.settings)) {
        hooks->ProcessStillPaged(frame, parameters);
      } else {
        hooks->ProcessStill(frame, parameters);
      }
    } catch (const std::exception&) {
      // The picture is lost, but the waiting dialog is released all the same.
    }
  }
  still_.MarkDone(parameters.sequence);
}

}  // namespace capture
