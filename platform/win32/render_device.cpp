// The Direct3D 12 device of the launcher: one queue, one allocator and list, two back buffers
// (a flip-discard swap chain for a window, two committed targets offscreen), one root
// signature and pipeline, a fence with a 5-second wait.
#include "platform/render_device.h"

#include "platform/win32/com_ref.h"

#include <windows.h>

#include <d3d12.h>
#include <d3dcompiler.h>
#include <dxgi1_4.h>

#include <cstring>
#include <string>

namespace platform {
namespace {

using win32::ComRef;

constexpr DXGI_FORMAT targetFormat = DXGI_FORMAT_B8G8R8A8_UNORM;
constexpr DWORD fenceTimeoutMs = 5000;

struct EventHandle {
    HANDLE handle = nullptr;
    EventHandle() = default;
    EventHandle(const EventHandle&) = delete;
    EventHandle& operator=(const EventHandle&) = delete;
    ~EventHandle() {
        if (handle != nullptr) {
            CloseHandle(handle);
        }
    }
};

D3D12_HEAP_PROPERTIES heapOf(D3D12_HEAP_TYPE type) {
    D3D12_HEAP_PROPERTIES heap{};
    heap.Type = type;
    heap.CPUPageProperty = D3D12_CPU_PAGE_PROPERTY_UNKNOWN;
    heap.MemoryPoolPreference = D3D12_MEMORY_POOL_UNKNOWN;
    heap.CreationNodeMask = 1;
    heap.VisibleNodeMask = 1;
    return heap;
}

D3D12_RESOURCE_DESC textureDesc(UINT64 width, UINT height, D3D12_RESOURCE_FLAGS flags) {
    D3D12_RESOURCE_DESC desc{};
    desc.Dimension = D3D12_RESOURCE_DIMENSION_TEXTURE2D;
    desc.Width = width;
    desc.Height = height;
    desc.DepthOrArraySize = 1;
    desc.MipLevels = 1;
    desc.Format = targetFormat;
    desc.SampleDesc.Count = 1;
    desc.Layout = D3D12_TEXTURE_LAYOUT_UNKNOWN;
    desc.Flags = flags;
    return desc;
}

D3D12_RESOURCE_DESC bufferDesc(UINT64 size) {
    D3D12_RESOURCE_DESC desc{};
    desc.Dimension = D3D12_RESOURCE_DIMENSION_BUFFER;
    desc.Width = size;
    desc.Height = 1;
    desc.DepthOrArraySize = 1;
    desc.MipLevels = 1;
    desc.Format = DXGI_FORMAT_UNKNOWN;
    desc.SampleDesc.Count = 1;
    desc.Layout = D3D12_TEXTURE_LAYOUT_ROW_MAJOR;
    return desc;
}

// The compiler's own message when it gives one, else the HRESULT.
ComRef<ID3DBlob> compileShader(const RenderDeviceOptions& options, const char* entry,
                               const char* target) {
    ComRef<ID3DBlob> code;
    ComRef<ID3DBlob> errors;
    const std::string name(options.shaderName);
    const HRESULT result = D3DCompile(options.shaderSource.data(), options.shaderSource.size(),
                                      name.c_str(), nullptr, nullptr, entry, target,
                                      D3DCOMPILE_OPTIMIZATION_LEVEL3, 0, code.put(), errors.put());
    if (FAILED(result)) {
        if (errors) {
            std::string message(static_cast<const char*>(errors->GetBufferPointer()),
                                errors->GetBufferSize());
            while (!message.empty() && message.back() == '\0') {
                message.pop_back();
            }
            throw std::runtime_error(message);
        }
        throwIfFailed(result, "launcher HLSL");
    }
    return code;
}

class D3d12Device final : public RenderDevice {
public:
    D3d12Device(const RenderSurface& surface, const RenderDeviceOptions& options)
        : window_(static_cast<HWND>(surface.window)), offscreenWidth_(surface.offscreenWidth),
          offscreenHeight_(surface.offscreenHeight), capture_(options.capture) {
        ComRef<IDXGIFactory4> factory;
        throwIfFailed(CreateDXGIFactory1(__uuidof(IDXGIFactory4), factory.putVoid()),
                      "launcher DXGI factory");
        throwIfFailed(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, __uuidof(ID3D12Device),
                                        device_.putVoid()),
                      "launcher D3D12 hardware device");
        D3D12_COMMAND_QUEUE_DESC queueDesc{};
        queueDesc.Type = D3D12_COMMAND_LIST_TYPE_DIRECT;
        queueDesc.Priority = D3D12_COMMAND_QUEUE_PRIORITY_NORMAL;
        queueDesc.Flags = D3D12_COMMAND_QUEUE_FLAG_NONE;
        throwIfFailed(
            device_->CreateCommandQueue(&queueDesc, __uuidof(ID3D12CommandQueue), queue_.putVoid()),
            "launcher direct queue");
        throwIfFailed(
            device_->CreateFence(0, D3D12_FENCE_FLAG_NONE, __uuidof(ID3D12Fence), fence_.putVoid()),
            "launcher fence");
        fenceEvent_.handle = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        if (fenceEvent_.handle == nullptr) {
            throw std::runtime_error("launcher fence event");
        }
        throwIfFailed(device_->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT,
                                                      __uuidof(ID3D12CommandAllocator),
                                                      allocator_.putVoid()),
                      "launcher allocator");
        throwIfFailed(
            device_->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, allocator_.get(), nullptr,
                                       __uuidof(ID3D12GraphicsCommandList), list_.putVoid()),
            "launcher list");
        throwIfFailed(list_->Close(), "launcher list initial close");
        if (window_ != nullptr) {
            createSwapChain(factory.get());
        }
        createHeaps();
        createRootSignature();
        createPipeline(options);
    }

    ~D3d12Device() override {
        try {
            waitForGpu();
        } catch (const std::exception&) {
            // The device is released whether or not it finished.
        }
    }

    ClientSize clientSize() override {
        if (window_ == nullptr) {
            return {offscreenWidth_, offscreenHeight_};
        }
        RECT client{};
        if (GetClientRect(window_, &client) == 0) {
            return {0, 0};
        }
        return {static_cast<int>(client.right), static_cast<int>(client.bottom)};
    }

    void resizeBuffers(int width, int height) override {
        waitForGpu();
        backBuffers_[0].reset();
        backBuffers_[1].reset();
        captureBuffer_.reset();
        captureValid_ = false;
        if (swapChain_) {
            throwIfFailed(
                swapChain_->ResizeBuffers(0, static_cast<UINT>(width), static_cast<UINT>(height),
                                          DXGI_FORMAT_UNKNOWN,
                                          DXGI_SWAP_CHAIN_FLAG_FRAME_LATENCY_WAITABLE_OBJECT),
                "launcher resize");
        }
        width_ = width;
        height_ = height;
        D3D12_CPU_DESCRIPTOR_HANDLE start{};
        rtvHeap_->GetCPUDescriptorHandleForHeapStart(&start);
        for (UINT i = 0; i < 2; ++i) {
            if (swapChain_) {
                throwIfFailed(
                    swapChain_->GetBuffer(i, __uuidof(ID3D12Resource), backBuffers_[i].putVoid()),
                    "launcher buffer");
            } else {
                const D3D12_HEAP_PROPERTIES heap = heapOf(D3D12_HEAP_TYPE_DEFAULT);
                const D3D12_RESOURCE_DESC desc =
                    textureDesc(static_cast<UINT64>(width), static_cast<UINT>(height),
                                D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET);
                throwIfFailed(device_->CreateCommittedResource(
                                  &heap, D3D12_HEAP_FLAG_NONE, &desc, D3D12_RESOURCE_STATE_PRESENT,
                                  nullptr, __uuidof(ID3D12Resource), backBuffers_[i].putVoid()),
                              "launcher buffer");
            }
            D3D12_CPU_DESCRIPTOR_HANDLE view{start.ptr + i * rtvIncrement_};
            device_->CreateRenderTargetView(backBuffers_[i].get(), nullptr, view);
        }
        if (capture_) {
            captureSize_ = footprintOf(backBuffers_[0].get(), captureFootprint_);
            captureBuffer_ = createBuffer(D3D12_HEAP_TYPE_READBACK, captureSize_,
                                          D3D12_RESOURCE_STATE_COPY_DEST);
        }
    }

    void waitForGpu() override {
        if (fenceValue_ == 0 || fence_->GetCompletedValue() >= fenceValue_) {
            return;
        }
        throwIfFailed(fence_->SetEventOnCompletion(fenceValue_, fenceEvent_.handle),
                      "launcher fence event");
        if (WaitForSingleObject(fenceEvent_.handle, fenceTimeoutMs) != WAIT_OBJECT_0) {
            throwIfFailed(device_->GetDeviceRemovedReason(), "launcher device removed");
            throw std::runtime_error("launcher GPU fence timeout");
        }
        throwIfFailed(device_->GetDeviceRemovedReason(), "launcher device status");
    }

    int createTexture(std::uint32_t width, std::uint32_t height,
                      const std::vector<std::uint32_t>& pixels) override {
        const D3D12_HEAP_PROPERTIES heap = heapOf(D3D12_HEAP_TYPE_DEFAULT);
        const D3D12_RESOURCE_DESC desc = textureDesc(width, height, D3D12_RESOURCE_FLAG_NONE);
        ComRef<ID3D12Resource> texture;
        throwIfFailed(device_->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &desc,
                                                       D3D12_RESOURCE_STATE_COPY_DEST, nullptr,
                                                       __uuidof(ID3D12Resource), texture.putVoid()),
                      "launcher resource");
        D3D12_PLACED_SUBRESOURCE_FOOTPRINT footprint{};
        const UINT64 total = footprintOf(texture.get(), footprint);
        ComRef<ID3D12Resource> upload =
            createBuffer(D3D12_HEAP_TYPE_UPLOAD, total, D3D12_RESOURCE_STATE_GENERIC_READ);
        void* mapped = nullptr;
        const D3D12_RANGE nothingRead{0, 0};
        throwIfFailed(upload->Map(0, &nothingRead, &mapped), "launcher map texture");
        for (std::uint32_t row = 0; row < height; ++row) {
            std::memcpy(static_cast<unsigned char*>(mapped) + footprint.Offset +
                            static_cast<UINT64>(row) * footprint.Footprint.RowPitch,
                        pixels.data() + static_cast<std::size_t>(row) * width,
                        static_cast<std::size_t>(width) * 4);
        }
        upload->Unmap(0, nullptr);
        waitForGpu();
        resetCommands();
        D3D12_TEXTURE_COPY_LOCATION target{};
        target.pResource = texture.get();
        target.Type = D3D12_TEXTURE_COPY_TYPE_SUBRESOURCE_INDEX;
        target.SubresourceIndex = 0;
        D3D12_TEXTURE_COPY_LOCATION source{};
        source.pResource = upload.get();
        source.Type = D3D12_TEXTURE_COPY_TYPE_PLACED_FOOTPRINT;
        source.PlacedFootprint = footprint;
        list_->CopyTextureRegion(&target, 0, 0, 0, &source, nullptr);
        transition(texture.get(), D3D12_RESOURCE_STATE_COPY_DEST,
                   D3D12_RESOURCE_STATE_PIXEL_SHADER_RESOURCE);
        submit();
        waitForGpu();
        D3D12_SHADER_RESOURCE_VIEW_DESC view{};
        view.Format = targetFormat;
        view.ViewDimension = D3D12_SRV_DIMENSION_TEXTURE2D;
        view.Shader4ComponentMapping = D3D12_DEFAULT_SHADER_4_COMPONENT_MAPPING;
        view.Texture2D.MostDetailedMip = 0;
        view.Texture2D.MipLevels = 1;
        const UINT slot = static_cast<UINT>(textures_.size());
        D3D12_CPU_DESCRIPTOR_HANDLE start{};
        srvHeap_->GetCPUDescriptorHandleForHeapStart(&start);
        device_->CreateShaderResourceView(
            texture.get(), &view, D3D12_CPU_DESCRIPTOR_HANDLE{start.ptr + slot * srvIncrement_});
        textures_.push_back(std::move(texture));
        return static_cast<int>(slot);
    }

    void executeFrame(const FrameRecording& frame, std::uint8_t syncInterval) override {
        resetCommands();
        const UINT index =
            swapChain_ ? swapChain_->GetCurrentBackBufferIndex() : backBufferIndex_ ^ 1u;
        ID3D12Resource* buffer = backBuffers_[index].get();
        transition(buffer, D3D12_RESOURCE_STATE_PRESENT, D3D12_RESOURCE_STATE_RENDER_TARGET);
        D3D12_CPU_DESCRIPTOR_HANDLE rtvStart{};
        rtvHeap_->GetCPUDescriptorHandleForHeapStart(&rtvStart);
        const D3D12_CPU_DESCRIPTOR_HANDLE target{rtvStart.ptr + index * rtvIncrement_};
        list_->OMSetRenderTargets(1, &target, FALSE, nullptr);
        list_->ClearRenderTargetView(target, frame.clearColor, 0, nullptr);
        for (const ClearRect& clear : frame.clears) {
            const float color[4] = {clear.r, clear.g, clear.b, 1.0f};
            const D3D12_RECT rect{clear.left, clear.top, clear.right, clear.bottom};
            list_->ClearRenderTargetView(target, color, 1, &rect);
        }
        const D3D12_VIEWPORT viewport{
            0.0f, 0.0f, static_cast<float>(width_), static_cast<float>(height_), 0.0f, 1.0f};
        const D3D12_RECT scissor{0, 0, width_, height_};
        list_->RSSetViewports(1, &viewport);
        list_->RSSetScissorRects(1, &scissor);
        list_->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        list_->SetGraphicsRootSignature(rootSignature_.get());
        ID3D12DescriptorHeap* heaps[] = {srvHeap_.get()};
        list_->SetDescriptorHeaps(1, heaps);
        D3D12_GPU_DESCRIPTOR_HANDLE srvStart{};
        srvHeap_->GetGPUDescriptorHandleForHeapStart(&srvStart);
        for (const DrawCommand& draw : frame.draws) {
            list_->SetGraphicsRootDescriptorTable(
                0, D3D12_GPU_DESCRIPTOR_HANDLE{srvStart.ptr +
                                               static_cast<UINT64>(draw.slot) * srvIncrement_});
            list_->SetGraphicsRoot32BitConstants(1, 16, &draw.constants, 0);
            list_->DrawInstanced(draw.vertexCount, 1, 0, 0);
        }
        if (capture_) {
            // A presented flip-discard buffer has no defined content: copy the frame first.
            transition(buffer, D3D12_RESOURCE_STATE_RENDER_TARGET,
                       D3D12_RESOURCE_STATE_COPY_SOURCE);
            copyToReadback(buffer, captureBuffer_.get(), captureFootprint_);
            transition(buffer, D3D12_RESOURCE_STATE_COPY_SOURCE, D3D12_RESOURCE_STATE_PRESENT);
        } else {
            transition(buffer, D3D12_RESOURCE_STATE_RENDER_TARGET, D3D12_RESOURCE_STATE_PRESENT);
        }
        submit();
        backBufferIndex_ = index;
        captureValid_ = capture_;
        if (swapChain_) {
            const HRESULT presented = swapChain_->Present(syncInterval, 0);
            if (presented != DXGI_STATUS_OCCLUDED) {
                throwIfFailed(presented, "launcher Present");
            }
        }
    }

    std::vector<std::uint32_t> readBack(std::uint32_t& width, std::uint32_t& height) override {
        waitForGpu();
        ID3D12Resource* buffer = backBuffers_[backBufferIndex_].get();
        D3D12_RESOURCE_DESC desc{};
        buffer->GetDesc(&desc);
        width = static_cast<std::uint32_t>(desc.Width);
        height = desc.Height;
        if (captureValid_) {
            return mapPixels(captureBuffer_.get(), captureFootprint_, captureSize_, width, height);
        }
        D3D12_PLACED_SUBRESOURCE_FOOTPRINT footprint{};
        const UINT64 total = footprintOf(buffer, footprint);
        ComRef<ID3D12Resource> readback =
            createBuffer(D3D12_HEAP_TYPE_READBACK, total, D3D12_RESOURCE_STATE_COPY_DEST);
        waitForGpu();
        resetCommands();
        transition(buffer, D3D12_RESOURCE_STATE_PRESENT, D3D12_RESOURCE_STATE_COPY_SOURCE);
        copyToReadback(buffer, readback.get(), footprint);
        transition(buffer, D3D12_RESOURCE_STATE_COPY_SOURCE, D3D12_RESOURCE_STATE_PRESENT);
        submit();
        waitForGpu();
        return mapPixels(readback.get(), footprint, total, width, height);
    }

private:
    void createSwapChain(IDXGIFactory4* factory) {
        DXGI_SWAP_CHAIN_DESC1 desc{};
        desc.Width = 0;
        desc.Height = 0;
        desc.Format = targetFormat;
        desc.Stereo = FALSE;
        desc.SampleDesc.Count = 1;
        desc.SampleDesc.Quality = 0;
        desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
        desc.BufferCount = 2;
        desc.Scaling = DXGI_SCALING_STRETCH;
        desc.SwapEffect = DXGI_SWAP_EFFECT_FLIP_DISCARD;
        desc.AlphaMode = DXGI_ALPHA_MODE_UNSPECIFIED;
        desc.Flags = DXGI_SWAP_CHAIN_FLAG_FRAME_LATENCY_WAITABLE_OBJECT;
        ComRef<IDXGISwapChain1> swapChain1;
        throwIfFailed(factory->CreateSwapChainForHwnd(queue_.get(), window_, &desc, nullptr,
                                                      nullptr, swapChain1.put()),
                      "launcher flip swapchain");
        throwIfFailed(swapChain1->QueryInterface(__uuidof(IDXGISwapChain3), swapChain_.putVoid()),
                      "launcher swapchain3");
        throwIfFailed(swapChain_->SetMaximumFrameLatency(1), "launcher latency");
        throwIfFailed(factory->MakeWindowAssociation(window_, DXGI_MWA_NO_WINDOW_CHANGES |
                                                                  DXGI_MWA_NO_ALT_ENTER),
                      "launcher window association");
    }

    void createHeaps() {
        D3D12_DESCRIPTOR_HEAP_DESC rtv{};
        rtv.Type = D3D12_DESCRIPTOR_HEAP_TYPE_RTV;
        rtv.NumDescriptors = 2;
        rtv.Flags = D3D12_DESCRIPTOR_HEAP_FLAG_NONE;
        throwIfFailed(
            device_->CreateDescriptorHeap(&rtv, __uuidof(ID3D12DescriptorHeap), rtvHeap_.putVoid()),
            "launcher RTV heap");
        rtvIncrement_ = device_->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_RTV);
        D3D12_DESCRIPTOR_HEAP_DESC srv{};
        srv.Type = D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV;
        srv.NumDescriptors = maxTextureSlots;
        srv.Flags = D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE;
        throwIfFailed(
            device_->CreateDescriptorHeap(&srv, __uuidof(ID3D12DescriptorHeap), srvHeap_.putVoid()),
            "launcher SRV heap");
        srvIncrement_ =
            device_->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV);
    }

    void createRootSignature() {
        D3D12_DESCRIPTOR_RANGE range{};
        range.RangeType = D3D12_DESCRIPTOR_RANGE_TYPE_SRV;
        range.NumDescriptors = 1;
        range.BaseShaderRegister = 0;
        range.RegisterSpace = 0;
        range.OffsetInDescriptorsFromTableStart = 0;
        D3D12_ROOT_PARAMETER parameters[2]{};
        parameters[0].ParameterType = D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE;
        parameters[0].DescriptorTable.NumDescriptorRanges = 1;
        parameters[0].DescriptorTable.pDescriptorRanges = &range;
        parameters[0].ShaderVisibility = D3D12_SHADER_VISIBILITY_PIXEL;
        parameters[1].ParameterType = D3D12_ROOT_PARAMETER_TYPE_32BIT_CONSTANTS;
        parameters[1].Constants.ShaderRegister = 0;
        parameters[1].Constants.RegisterSpace = 0;
        parameters[1].Constants.Num32BitValues = 16;
        parameters[1].ShaderVisibility = D3D12_SHADER_VISIBILITY_ALL;
        D3D12_STATIC_SAMPLER_DESC sampler{};
        sampler.Filter = D3D12_FILTER_MIN_MAG_MIP_LINEAR;
        sampler.AddressU = D3D12_TEXTURE_ADDRESS_MODE_CLAMP;
        sampler.AddressV = D3D12_TEXTURE_ADDRESS_MODE_CLAMP;
        sampler.AddressW = D3D12_TEXTURE_ADDRESS_MODE_CLAMP;
        sampler.MipLODBias = 0.0f;
        sampler.MaxAnisotropy = 0;
        sampler.ComparisonFunc = D3D12_COMPARISON_FUNC_ALWAYS;
        sampler.BorderColor = D3D12_STATIC_BORDER_COLOR_TRANSPARENT_BLACK;
        sampler.MinLOD = 0.0f;
        sampler.MaxLOD = D3D12_FLOAT32_MAX;
        sampler.ShaderRegister = 0;
        sampler.RegisterSpace = 0;
        sampler.ShaderVisibility = D3D12_SHADER_VISIBILITY_PIXEL;
        D3D12_ROOT_SIGNATURE_DESC desc{};
        desc.NumParameters = 2;
        desc.pParameters = parameters;
        desc.NumStaticSamplers = 1;
        desc.pStaticSamplers = &sampler;
        desc.Flags = D3D12_ROOT_SIGNATURE_FLAG_NONE;
        ComRef<ID3DBlob> blob;
        ComRef<ID3DBlob> errors;
        throwIfFailed(D3D12SerializeRootSignature(&desc, D3D_ROOT_SIGNATURE_VERSION_1, blob.put(),
                                                  errors.put()),
                      "launcher root serialize");
        throwIfFailed(
            device_->CreateRootSignature(0, blob->GetBufferPointer(), blob->GetBufferSize(),
                                         __uuidof(ID3D12RootSignature), rootSignature_.putVoid()),
            "launcher root");
    }

    void createPipeline(const RenderDeviceOptions& options) {
        const ComRef<ID3DBlob> vertex = compileShader(options, "vs", "vs_5_0");
        const ComRef<ID3DBlob> pixel = compileShader(options, "ps", "ps_5_0");
        D3D12_GRAPHICS_PIPELINE_STATE_DESC desc{};
        desc.pRootSignature = rootSignature_.get();
        desc.VS = {vertex->GetBufferPointer(), vertex->GetBufferSize()};
        desc.PS = {pixel->GetBufferPointer(), pixel->GetBufferSize()};
        D3D12_RENDER_TARGET_BLEND_DESC& blend = desc.BlendState.RenderTarget[0];
        blend.BlendEnable = TRUE;
        blend.LogicOpEnable = FALSE;
        blend.SrcBlend = D3D12_BLEND_SRC_ALPHA;
        blend.DestBlend = D3D12_BLEND_INV_SRC_ALPHA;
        blend.BlendOp = D3D12_BLEND_OP_ADD;
        blend.SrcBlendAlpha = D3D12_BLEND_ONE;
        blend.DestBlendAlpha = D3D12_BLEND_INV_SRC_ALPHA;
        blend.BlendOpAlpha = D3D12_BLEND_OP_ADD;
        blend.LogicOp = D3D12_LOGIC_OP_NOOP;
        blend.RenderTargetWriteMask = D3D12_COLOR_WRITE_ENABLE_ALL;
        desc.SampleMask = UINT_MAX;
        desc.RasterizerState.FillMode = D3D12_FILL_MODE_SOLID;
        desc.RasterizerState.CullMode = D3D12_CULL_MODE_NONE;
        desc.RasterizerState.FrontCounterClockwise = FALSE;
        desc.RasterizerState.DepthClipEnable = TRUE;
        desc.DepthStencilState.DepthEnable = FALSE;
        desc.DepthStencilState.DepthWriteMask = D3D12_DEPTH_WRITE_MASK_ZERO;
        desc.DepthStencilState.DepthFunc = D3D12_COMPARISON_FUNC_ALWAYS;
        desc.DepthStencilState.StencilEnable = FALSE;
        desc.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
        desc.NumRenderTargets = 1;
        desc.RTVFormats[0] = targetFormat;
        desc.DSVFormat = DXGI_FORMAT_UNKNOWN;
        desc.SampleDesc.Count = 1;
        throwIfFailed(device_->CreateGraphicsPipelineState(&desc, __uuidof(ID3D12PipelineState),
                                                           pipeline_.putVoid()),
                      "launcher blend pipeline");
    }

    UINT64 footprintOf(ID3D12Resource* resource, D3D12_PLACED_SUBRESOURCE_FOOTPRINT& footprint) {
        D3D12_RESOURCE_DESC desc{};
        resource->GetDesc(&desc);
        UINT rows = 0;
        UINT64 rowSize = 0;
        UINT64 total = 0;
        device_->GetCopyableFootprints(&desc, 0, 1, 0, &footprint, &rows, &rowSize, &total);
        return total;
    }

    ComRef<ID3D12Resource> createBuffer(D3D12_HEAP_TYPE type, UINT64 size,
                                        D3D12_RESOURCE_STATES state) {
        const D3D12_HEAP_PROPERTIES heap = heapOf(type);
        const D3D12_RESOURCE_DESC desc = bufferDesc(size);
        ComRef<ID3D12Resource> buffer;
        throwIfFailed(device_->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &desc, state,
                                                       nullptr, __uuidof(ID3D12Resource),
                                                       buffer.putVoid()),
                      "launcher resource");
        return buffer;
    }

    void resetCommands() {
        throwIfFailed(allocator_->Reset(), "launcher allocator reset");
        throwIfFailed(list_->Reset(allocator_.get(), pipeline_.get()), "launcher commands reset");
    }

    void submit() {
        throwIfFailed(list_->Close(), "launcher command close");
        ID3D12CommandList* lists[] = {list_.get()};
        queue_->ExecuteCommandLists(1, lists);
        ++fenceValue_;
        throwIfFailed(queue_->Signal(fence_.get(), fenceValue_), "launcher fence signal");
    }

    void transition(ID3D12Resource* resource, D3D12_RESOURCE_STATES before,
                    D3D12_RESOURCE_STATES after) {
        D3D12_RESOURCE_BARRIER barrier{};
        barrier.Type = D3D12_RESOURCE_BARRIER_TYPE_TRANSITION;
        barrier.Flags = D3D12_RESOURCE_BARRIER_FLAG_NONE;
        barrier.Transition.pResource = resource;
        barrier.Transition.Subresource = D3D12_RESOURCE_BARRIER_ALL_SUBRESOURCES;
        barrier.Transition.StateBefore = before;
        barrier.Transition.StateAfter = after;
        list_->ResourceBarrier(1, &barrier);
    }

    void copyToReadback(ID3D12Resource* source, ID3D12Resource* readback,
                        const D3D12_PLACED_SUBRESOURCE_FOOTPRINT& footprint) {
        D3D12_TEXTURE_COPY_LOCATION target{};
        target.pResource = readback;
        target.Type = D3D12_TEXTURE_COPY_TYPE_PLACED_FOOTPRINT;
        target.PlacedFootprint = footprint;
        D3D12_TEXTURE_COPY_LOCATION from{};
        from.pResource = source;
        from.Type = D3D12_TEXTURE_COPY_TYPE_SUBRESOURCE_INDEX;
        from.SubresourceIndex = 0;
        list_->CopyTextureRegion(&target, 0, 0, 0, &from, nullptr);
    }

    static std::vector<std::uint32_t> mapPixels(ID3D12Resource* readback,
                                                const D3D12_PLACED_SUBRESOURCE_FOOTPRINT& footprint,
                                                UINT64 total, std::uint32_t width,
                                                std::uint32_t height) {
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
        const D3D12_RANGE readRange{0, static_cast<SIZE_T>(total)};
        void* mapped = nullptr;
        throwIfFailed(readback->Map(0, &readRange, &mapped), "launcher readback map");
        for (std::uint32_t row = 0; row < height; ++row) {
            std::memcpy(pixels.data() + static_cast<std::size_t>(row) * width,
                        static_cast<const unsigned char*>(mapped) + footprint.Offset +
                            static_cast<UINT64>(row) * footprint.Footprint.RowPitch,
                        static_cast<std::size_t>(width) * 4);
        }
        const D3D12_RANGE nothingWritten{0, 0};
        readback->Unmap(0, &nothingWritten);
        return pixels;
    }

    HWND window_;
    int offscreenWidth_;
    int offscreenHeight_;
    bool capture_;
    int width_ = 0;
    int height_ = 0;
    UINT64 fenceValue_ = 0;
    UINT rtvIncrement_ = 0;
    UINT srvIncrement_ = 0;
    UINT backBufferIndex_ = 0;
    bool captureValid_ = false;
    D3D12_PLACED_SUBRESOURCE_FOOTPRINT captureFootprint_{};
    UINT64 captureSize_ = 0;
    // Released in the reverse order: the event, the textures, the buffers, then the device.
    ComRef<ID3D12Device> device_;
    ComRef<ID3D12CommandQueue> queue_;
    ComRef<IDXGISwapChain3> swapChain_;
    ComRef<ID3D12DescriptorHeap> rtvHeap_;
    ComRef<ID3D12DescriptorHeap> srvHeap_;
    ComRef<ID3D12CommandAllocator> allocator_;
    ComRef<ID3D12GraphicsCommandList> list_;
    ComRef<ID3D12RootSignature> rootSignature_;
    ComRef<ID3D12PipelineState> pipeline_;
    ComRef<ID3D12Fence> fence_;
    ComRef<ID3D12Resource> backBuffers_[2];
    ComRef<ID3D12Resource> captureBuffer_;
    std::vector<ComRef<ID3D12Resource>> textures_;
    EventHandle fenceEvent_;
};

} // namespace

std::unique_ptr<RenderDevice> createRenderDevice(const RenderSurface& surface,
                                                 const RenderDeviceOptions& options) {
    return std::make_unique<D3d12Device>(surface, options);
}

} // namespace platform
