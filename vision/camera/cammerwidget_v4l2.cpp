// V4L2 cameras through FFmpeg: opening, the brightness/contrast/gamma/sharpness filter graph and
// one acquisition pass. The blocking read runs without the view's mutex and ends on its own
// time-out or at once when the camera stops, so a stalled camera never holds up the GUI thread.
#include "vision/camera/cammerwidget.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

#include <QMutex>
#include <QMutexLocker>

#include "core/globals.h"
#include "core/wizardpara.h"
#include "vision/camera/cameradiscovery.h"
#include "vision/camera/frameconvert.h"
#include "vision/camera/v4l2source.h"

V4L2Source gV4L2Source;

namespace {

long long NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Read deadline shared by the probe's short-lived input.
struct ProbeDeadline {
    long long until = 0;
};

int ProbeInterrupt(void* opaque)
{
    return NowMs() > static_cast<ProbeDeadline*>(opaque)->until ? 1 : 0;
}

int ViewInterrupt(void* opaque)
{
    auto* w = static_cast<CammerWidget*>(opaque);
    if (w->v4lAbort)
        return 1;
    const long long start = w->v4lReadStartMs;
    return start != 0 && NowMs() - start > gV4L2Source.readTimeoutMs ? 1 : 0;
}

AVDictionary* SourceOptions()
{
    AVDictionary* d = nullptr;
    for (const auto& kv : gV4L2Source.options)
        av_dict_set(&d, kv.first.c_str(), kv.second.c_str(), 0);
    return d;
}

// The last video stream of an opened input, or -1.
int LastVideoStream(AVFormatContext* fmt)
{
    int found = -1;
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        if (fmt->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            found = int(i);
    }
    return found;
}

double Clamp(double v, double lo, double hi)
{
    return std::min(hi, std::max(lo, v));
}

}  // namespace

std::string V4L2Source::urlFor(int device) const
{
    const size_t pos = url.find("%d");
    if (pos == std::string::npos)
        return url;
    std::string r = url;
    r.replace(pos, 2, std::to_string(device));
    return r;
}

void RegisterFFmpegDevices()
{
    static std::once_flag once;
    std::call_once(once, [] { avdevice_register_all(); });
}

// The probe's look at one device: opens it, reads the stream information, wants a video stream.
bool ProbeV4L2Device(int device)
{
    RegisterFFmpegDevices();
    const AVInputFormat* ifmt = av_find_input_format(gV4L2Source.format.c_str());
    AVFormatContext* fmt = avformat_alloc_context();
    if (!fmt)
        return false;
    ProbeDeadline deadline{NowMs() + std::max(1000, gV4L2Source.readTimeoutMs * 3)};
    fmt->interrupt_callback = {&ProbeInterrupt, &deadline};
    AVDictionary* opts = SourceOptions();
    const std::string url = gV4L2Source.urlFor(device);
    int r = avformat_open_input(&fmt, url.c_str(), ifmt, &opts);
    av_dict_free(&opts);
    if (r < 0)
        return false;  // the context is freed by the failed open
    bool video = false;
    if (avformat_find_stream_info(fmt, nullptr) >= 0)
        video = LastVideoStream(fmt) >= 0;
    avformat_close_input(&fmt);
    return video;
}

void CammerWidget::BuildFilterTexts(const WizardPara& p)
{
    const int v = std::min(7, std::max(0, cameraIndex));
    // Each value is kept inside its filter's range, so no slider value can break the graph.
    filterContrast = "eq=contrast=" + QByteArray::number(Clamp(p.contrast[v] * 0.02 - 2.0, -1000.0, 1000.0), 'f', 6) + ":";
    filterGamma = "gamma=" + QByteArray::number(Clamp(p.gamma[v] * 0.0396 + 0.1, 0.1, 10.0), 'f', 6) + ",";
    filterSharp = "unsharp=5:5:" + QByteArray::number(Clamp(p.sharpness[v] * 0.05, -2.0, 5.0), 'f', 6);
}

void CammerWidget::ApplyV4L2Filters()
{
    const QByteArray description = filterContrast + filterGamma + filterSharp;
    init_filters(description.constData());
}

void CammerWidget::SetV4L2Filters(const WizardPara& p)
{
    QMutexLocker lock(pMutex[cameraIndex]);
    BuildFilterTexts(p);
    ApplyV4L2Filters();
}

bool CammerWidget::OpenV4L2()
{
    RegisterFFmpegDevices();
    const AVInputFormat* ifmt = av_find_input_format(gV4L2Source.format.c_str());
    v4lAbort = false;
    auto tryOpen = [&](int device) {
        AVFormatContext* fmt = avformat_alloc_context();
        if (!fmt)
            return false;
        fmt->interrupt_callback = {&ViewInterrupt, this};
        AVDictionary* opts = SourceOptions();
        v4lReadStartMs = NowMs();
        const std::string url = gV4L2Source.urlFor(device);
        const int r = avformat_open_input(&fmt, url.c_str(), ifmt, &opts);
        v4lReadStartMs = 0;
        if (r < 0) {
            av_dict_free(&opts);
            return false;
        }
        v4lFormat = fmt;
        v4lOptions = opts;
        return true;
    };
    bool opened = tryOpen(cameraIndex);
    // A busy first choice: the devices after the counted ones, when the URL names a number.
    if (!opened && gV4L2Source.url.find("%d") != std::string::npos) {
        for (int n = gFindCamera; n <= 63 && !opened; ++n)
            opened = tryOpen(n);
    }
    if (!opened)
        return false;
    v4lReadStartMs = NowMs();
    const int info = avformat_find_stream_info(v4lFormat, nullptr);
    v4lReadStartMs = 0;
    v4lStream = info >= 0 ? LastVideoStream(v4lFormat) : -1;
    bool ok = v4lStream >= 0;
    if (ok) {
        const AVCodecParameters* par = v4lFormat->streams[v4lStream]->codecpar;
        v4lCodec = avcodec_find_decoder(par->codec_id);
        ok = v4lCodec != nullptr;
        if (ok) {
            v4lCodecCtx = avcodec_alloc_context3(v4lCodec);
            ok = v4lCodecCtx && avcodec_parameters_to_context(v4lCodecCtx, par) >= 0
                && avcodec_open2(v4lCodecCtx, v4lCodec, nullptr) >= 0;
        }
    }
    if (ok) {
        v4lFrame = av_frame_alloc();
        v4lPacket = av_packet_alloc();
        ok = v4lFrame && v4lPacket;
    }
    if (!ok)
        CloseV4L2();
    return ok;
}

void CammerWidget::CloseV4L2()
{
    av_packet_free(&v4lPacket);
    av_frame_free(&v4lFrame);
    avcodec_free_context(&v4lCodecCtx);
    v4lCodec = nullptr;
    if (v4lFormat)
        avformat_close_input(&v4lFormat);
    av_dict_free(&v4lOptions);
    avfilter_graph_free(&v4lGraph);
    v4lSrc = nullptr;
    v4lSink = nullptr;
    v4lStream = -1;
    v4lGraphW = v4lGraphH = 0;
    v4lGraphFormat = -1;
}

int CammerWidget::init_filters(const char* description)
{
    if (!v4lCodecCtx || !v4lFormat || v4lStream < 0 || !description)
        return AVERROR(EINVAL);
    const AVFilter* bufferSrc = avfilter_get_by_name("buffer");
    const AVFilter* bufferSink = avfilter_get_by_name("buffersink");
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    AVFilterGraph* graph = avfilter_graph_alloc();
    AVFilterContext* src = nullptr;
    AVFilterContext* sink = nullptr;
    int ret = AVERROR(ENOMEM);
    if (!outputs || !inputs || !graph || !bufferSrc || !bufferSink) {
        avfilter_inout_free(&inputs);
        avfilter_inout_free(&outputs);
        avfilter_graph_free(&graph);
        return ret;
    }
    const AVRational tb = v4lFormat->streams[v4lStream]->time_base;
    const AVRational sar = v4lCodecCtx->sample_aspect_ratio;
    char args[512];
    std::snprintf(args, sizeof(args), "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d",
                  v4lCodecCtx->width, v4lCodecCtx->height, int(v4lCodecCtx->pix_fmt), tb.num, tb.den, sar.num,
                  sar.den);
    const enum AVPixelFormat pixFmts[] = {AV_PIX_FMT_GRAY8, AV_PIX_FMT_NONE};
    ret = avfilter_graph_create_filter(&src, bufferSrc, "in", args, nullptr, graph);
    if (ret < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Cannot create buffer source\n");
        goto end;
    }
    ret = avfilter_graph_create_filter(&sink, bufferSink, "out", nullptr, nullptr, graph);
    if (ret < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Cannot create buffer sink\n");
        goto end;
    }
    ret = av_opt_set_int_list(sink, "pix_fmts", pixFmts, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
    if (ret < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Cannot set output pixel format\n");
        goto end;
    }
    outputs->name = av_strdup("in");
    outputs->filter_ctx = src;
    outputs->pad_idx = 0;
    outputs->next = nullptr;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink;
    inputs->pad_idx = 0;
    inputs->next = nullptr;
    ret = avfilter_graph_parse_ptr(graph, description, &inputs, &outputs, nullptr);
    if (ret < 0)
        goto end;
    ret = avfilter_graph_config(graph, nullptr);
    if (ret < 0)
        goto end;
    // Only a graph that built replaces the one in force.
    avfilter_graph_free(&v4lGraph);
    v4lGraph = graph;
    graph = nullptr;
    v4lSrc = src;
    v4lSink = sink;
    v4lGraphW = v4lCodecCtx->width;
    v4lGraphH = v4lCodecCtx->height;
    v4lGraphFormat = int(v4lCodecCtx->pix_fmt);
end:
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    avfilter_graph_free(&graph);
    return ret;
}

int CammerWidget::V4L2Pass(AVFrame* filtered)
{
    if (!v4lFormat || !v4lPacket || !v4lCodecCtx)
        return 0;
    v4lReadStartMs = NowMs();
    const int r = av_read_frame(v4lFormat, v4lPacket);
    v4lReadStartMs = 0;
    if (r < 0)
        return 0;
    if (v4lPacket->stream_index != v4lStream) {
        av_packet_unref(v4lPacket);
        return 2;
    }
    bool got = false;
    {
        QMutexLocker lock(pMutex[cameraIndex]);
        if (avcodec_send_packet(v4lCodecCtx, v4lPacket) >= 0) {
            while (avcodec_receive_frame(v4lCodecCtx, v4lFrame) >= 0) {
                // A graph that does not match the decoded frames is rebuilt from the parts in force.
                if (!v4lGraph || v4lFrame->width != v4lGraphW || v4lFrame->height != v4lGraphH
                    || v4lFrame->format != v4lGraphFormat)
                    ApplyV4L2Filters();
                if (v4lSrc && av_buffersrc_add_frame_flags(v4lSrc, v4lFrame, AV_BUFFERSRC_FLAG_KEEP_REF) >= 0) {
                    AVFrame* out = av_frame_alloc();
                    while (out && av_buffersink_get_frame(v4lSink, out) >= 0) {
                        // The newest filtered frame wins.
                        av_frame_unref(filtered);
                        av_frame_move_ref(filtered, out);
                        got = true;
                    }
                    av_frame_free(&out);
                }
                av_frame_unref(v4lFrame);
            }
        }
    }
    av_packet_unref(v4lPacket);
    if (!got)
        return 1;
    // Conversion outside the lock; only the copy takes it.
    const cv::Mat picture = avframe_to_cvmat(filtered);
    av_frame_unref(filtered);
    if (picture.empty() || !picture.isContinuous())
        return 1;
    if (gisColor) {
        DeliverRGB(picture.data);
    } else {
        QMutexLocker lock(pMutex[cameraIndex]);
        std::memcpy(frameGrab, picture.data, size_t(gImageLen));
        isImageFill[cameraIndex] = true;
    }
    return 1;
}
