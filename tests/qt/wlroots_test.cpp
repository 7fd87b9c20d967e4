// The virtual pointer and the compositor's idle inhibitor against a small compositor of our own, which
// can lack either protocol, withdraw a global mid-run, or drop the client: what a real compositor
// cannot be made to do on demand. Each step is a plain notice at worst: no crash, no hang.

#include "idle-inhibit-unstable-v1-server-protocol.h"
#include "ui/qt/virtual_pointer.h"
#include "ui/qt/wayland_globals.h"
#include "ui/qt/wayland_idle_inhibit.h"
#include "wlr-virtual-pointer-unstable-v1-server-protocol.h"

#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <mutex>
#include <poll.h>
#include <thread>
#include <wayland-client.h>
#include <wayland-server.h>

namespace {

using kivano::ui::qt::VirtualPointer;
using kivano::ui::qt::WaylandGlobals;
using kivano::ui::qt::WaylandIdleInhibit;

// Runs on a thread of its own; the test changes it and reads it under `lock`.
class MiniCompositor {
  public:
    struct Offers {
        bool pointer = true;
        bool inhibit = true;
    };
    explicit MiniCompositor(Offers offers) : display_(wl_display_create()) {
        socket = wl_display_add_socket_auto(display_);
        wl_global_create(display_, &wl_compositor_interface, 4, this, &bindCompositor);
        if (offers.pointer) pointerManager = offerPointer();
        if (offers.inhibit) inhibitManager = offerInhibit();
        wl_display_add_client_created_listener(display_, &clientCreated_);
        thread_ = std::thread([this] { serve(); });
    }
    ~MiniCompositor() {
        stop_ = true;
        thread_.join();
        wl_display_destroy_clients(display_);
        wl_display_destroy(display_);
    }
    MiniCompositor(const MiniCompositor&) = delete;
    MiniCompositor& operator=(const MiniCompositor&) = delete;

    wl_global* offerPointer() {
        return wl_global_create(display_, &zwlr_virtual_pointer_manager_v1_interface, 2, this,
                                &bindPointerManager);
    }
    wl_global* offerInhibit() {
        return wl_global_create(display_, &zwp_idle_inhibit_manager_v1_interface, 1, this,
                                &bindInhibitManager);
    }
    // Withdrawn as a compositor does: the clients are told, the global itself goes later.
    void withdraw(wl_global* global) {
        wl_global_remove(global);
        withdrawn_.push_back(global);
    }
    void dropClient() {
        if (client_ != nullptr) wl_client_destroy(client_);
        client_ = nullptr;
    }

    std::mutex lock;
    const char* socket = nullptr;
    wl_global* pointerManager = nullptr;
    wl_global* inhibitManager = nullptr;
    int pointers = 0; // virtual pointers made
    int frames = 0;
    double dx = 0;
    double dy = 0;
    int inhibitors = 0; // held now

  private:
    void serve() {
        wl_event_loop* loop = wl_display_get_event_loop(display_);
        pollfd fd{wl_event_loop_get_fd(loop), POLLIN, 0};
        while (!stop_) {
            poll(&fd, 1, 5);
            const std::scoped_lock hold(lock);
            wl_event_loop_dispatch(loop, 0);
            wl_display_flush_clients(display_);
        }
    }
    static MiniCompositor& of(wl_resource* resource) {
        return *static_cast<MiniCompositor*>(wl_resource_get_user_data(resource));
    }
    static void destroy(wl_client* /*client*/, wl_resource* resource) { wl_resource_destroy(resource); }

    static void bindCompositor(wl_client* client, void* data, uint32_t version, uint32_t id) {
        static const struct wl_compositor_interface impl = {
            .create_surface =
                [](wl_client* c, wl_resource* r, uint32_t surfaceId) {
                    static const struct wl_surface_interface surface = {.destroy = &destroy};
                    auto* s =
                        wl_resource_create(c, &wl_surface_interface, wl_resource_get_version(r), surfaceId);
                    wl_resource_set_implementation(s, &surface, nullptr, nullptr);
                },
        };
        auto* r = wl_resource_create(client, &wl_compositor_interface, static_cast<int>(version), id);
        wl_resource_set_implementation(r, &impl, data, nullptr);
    }
    static void bindPointerManager(wl_client* client, void* data, uint32_t version, uint32_t id) {
        static const struct zwlr_virtual_pointer_v1_interface pointer = {
            .motion =
                [](wl_client*, wl_resource* r, uint32_t /*time*/, wl_fixed_t dx, wl_fixed_t dy) {
                    of(r).dx += wl_fixed_to_double(dx);
                    of(r).dy += wl_fixed_to_double(dy);
                },
            .frame = [](wl_client*, wl_resource* r) { ++of(r).frames; },
            .destroy = &destroy,
        };
        static const struct zwlr_virtual_pointer_manager_v1_interface impl = {
            .create_virtual_pointer =
                [](wl_client* c, wl_resource* r, wl_resource* /*seat*/, uint32_t pointerId) {
                    auto* p = wl_resource_create(c, &zwlr_virtual_pointer_v1_interface,
                                                 wl_resource_get_version(r), pointerId);
                    wl_resource_set_implementation(p, &pointer, &of(r), nullptr);
                    ++of(r).pointers;
                },
            .destroy = &destroy,
        };
        auto* r = wl_resource_create(client, &zwlr_virtual_pointer_manager_v1_interface,
                                     static_cast<int>(version), id);
        wl_resource_set_implementation(r, &impl, data, nullptr);
    }
    static void bindInhibitManager(wl_client* client, void* data, uint32_t version, uint32_t id) {
        static const struct zwp_idle_inhibitor_v1_interface inhibitor = {.destroy = &destroy};
        static const struct zwp_idle_inhibit_manager_v1_interface impl = {
            .destroy = &destroy,
            .create_inhibitor =
                [](wl_client* c, wl_resource* r, uint32_t inhibitorId, wl_resource* /*surface*/) {
                    auto* i = wl_resource_create(c, &zwp_idle_inhibitor_v1_interface, 1, inhibitorId);
                    wl_resource_set_implementation(i, &inhibitor, &of(r),
                                                   [](wl_resource* gone) { --of(gone).inhibitors; });
                    ++of(r).inhibitors;
                },
        };
        auto* r =
            wl_resource_create(client, &zwp_idle_inhibit_manager_v1_interface, static_cast<int>(version), id);
        wl_resource_set_implementation(r, &impl, data, nullptr);
    }
    static void clientCreated(wl_listener* listener, void* client) {
        MiniCompositor* self = wl_container_of(listener, self, clientCreated_);
        self->client_ = static_cast<wl_client*>(client);
    }

    wl_display* display_;
    std::thread thread_;
    std::atomic<bool> stop_ = false;
    wl_listener clientCreated_{{}, &clientCreated};
    wl_client* client_ = nullptr;
    std::vector<wl_global*> withdrawn_;
};

// Kivano's side: a client connection as Qt's would be, with a surface for the window.
struct Client {
    explicit Client(const char* socket) : display(wl_display_connect(socket)) {}
    ~Client() {
        if (surface != nullptr) wl_surface_destroy(surface);
        if (compositor != nullptr) wl_compositor_destroy(compositor);
        wl_display_disconnect(display);
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;
    // What Qt's reader does in the program: reads the compositor's events into every queue.
    void sync() const { wl_display_roundtrip(display); }
    wl_display* display;
    wl_compositor* compositor = nullptr;
    wl_surface* surface = nullptr;
};

template <typename T> T read(MiniCompositor& server, T MiniCompositor::*field) {
    const std::scoped_lock hold(server.lock);
    return server.*field;
}

} // namespace

class WlrootsTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir runtime_;

  private slots:
    void initTestCase() {
        QVERIFY(runtime_.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
        qunsetenv("WAYLAND_DISPLAY");
    }

    void thePointerMovesWhereOffered_data() {
        QTest::addColumn<bool>("offered");
        QTest::newRow("offered") << true;
        QTest::newRow("not offered: the portal is asked") << false;
    }
    void thePointerMovesWhereOffered() {
        QFETCH(bool, offered);
        MiniCompositor server({.pointer = offered, .inhibit = true});
        Client client(server.socket);
        QVERIFY(client.display != nullptr);
        WaylandGlobals globals(client.display);
        VirtualPointer pointer(globals);
        QCOMPARE(pointer.move(1, 1), false); // nothing before Start
        QCOMPARE(pointer.start(), offered);
        QCOMPARE(pointer.start(), offered); // a second Start makes no second pointer
        QCOMPARE(pointer.move(3, -4.5), offered);
        QCOMPARE(pointer.move(-1, 0.25), offered);
        client.sync();
        QCOMPARE(read(server, &MiniCompositor::pointers), offered ? 1 : 0);
        QCOMPARE(read(server, &MiniCompositor::frames), offered ? 2 : 0);
        QCOMPARE(read(server, &MiniCompositor::dx), offered ? 2.0 : 0.0);
        QCOMPARE(read(server, &MiniCompositor::dy), offered ? -4.25 : 0.0);
    }

    // A manager withdrawn mid-run: the next step says so once, and later Starts find none until the
    // compositor offers one again.
    void aWithdrawnPointerIsToldOnce() {
        MiniCompositor server({});
        Client client(server.socket);
        WaylandGlobals globals(client.display);
        VirtualPointer pointer(globals);
        int lost = 0;
        pointer.onLost = [&lost] { ++lost; };
        QVERIFY(pointer.start());
        QVERIFY(pointer.move(1, 1));
        {
            const std::scoped_lock hold(server.lock);
            server.withdraw(server.pointerManager);
        }
        client.sync();
        QCOMPARE(pointer.move(1, 1), false);
        QCOMPARE(pointer.move(1, 1), false);
        QCoreApplication::sendPostedEvents(); // told from the event loop
        QCOMPARE(lost, 1);
        QCOMPARE(pointer.start(), false);
        {
            const std::scoped_lock hold(server.lock);
            server.pointerManager = server.offerPointer();
        }
        client.sync();
        QVERIFY(pointer.start());
        QVERIFY(pointer.move(2, 0));
        client.sync();
        QCOMPARE(read(server, &MiniCompositor::pointers), 2);
        QCOMPARE(read(server, &MiniCompositor::dx), 3.0);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(lost, 1);
    }

    // The compositor drops the connection: nothing more is sent, the loss is told, nothing hangs.
    void aDroppedConnectionIsALoss() {
        MiniCompositor server({});
        Client client(server.socket);
        WaylandGlobals globals(client.display);
        VirtualPointer pointer(globals);
        WaylandIdleInhibit inhibit(globals, [] { return nullptr; });
        int lost = 0;
        pointer.onLost = [&lost] { ++lost; };
        QVERIFY(pointer.start());
        {
            const std::scoped_lock hold(server.lock);
            server.dropClient();
        }
        wl_display_roundtrip(client.display); // fails: the connection is gone
        QCOMPARE(pointer.move(1, 1), false);
        QCoreApplication::sendPostedEvents(); // told from the event loop
        QCOMPARE(lost, 1);
        QCOMPARE(pointer.start(), false);
        QCOMPARE(inhibit.hold(true), false);
    }

    void theInhibitorIsHeldWhereOffered_data() {
        QTest::addColumn<bool>("offered");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("held");
        QTest::newRow("offered, window shown") << true << true << true;
        QTest::newRow("offered, window not shown") << true << false << false;
        QTest::newRow("not offered") << false << true << false;
    }
    void theInhibitorIsHeldWhereOffered() {
        QFETCH(bool, offered);
        QFETCH(bool, shown);
        QFETCH(bool, held);
        MiniCompositor server({.pointer = true, .inhibit = offered});
        Client client(server.socket);
        WaylandGlobals globals(client.display);
        bindSurface(client);
        WaylandIdleInhibit inhibit(globals, [&] { return shown ? client.surface : nullptr; });
        QCOMPARE(inhibit.hold(true), held);
        QCOMPARE(inhibit.held(), held);
        client.sync();
        QCOMPARE(read(server, &MiniCompositor::inhibitors), held ? 1 : 0);
        QVERIFY(inhibit.hold(false));
        client.sync();
        QCOMPARE(read(server, &MiniCompositor::inhibitors), 0);
        // The other half works all the same.
        VirtualPointer pointer(globals);
        QVERIFY(pointer.start());
        QVERIFY(pointer.move(1, 1));
    }

    // Withdrawn while held: let go of, and the next request binds the manager offered anew.
    void aWithdrawnInhibitManagerIsBoundAfresh() {
        MiniCompositor server({});
        Client client(server.socket);
        WaylandGlobals globals(client.display);
        bindSurface(client);
        WaylandIdleInhibit inhibit(globals, [&] { return client.surface; });
        QVERIFY(inhibit.hold(true));
        {
            const std::scoped_lock hold(server.lock);
            server.withdraw(server.inhibitManager);
        }
        client.sync();
        QVERIFY(inhibit.hold(false));
        QCOMPARE(inhibit.hold(true), false);
        {
            const std::scoped_lock hold(server.lock);
            server.inhibitManager = server.offerInhibit();
        }
        client.sync();
        QVERIFY(inhibit.hold(true));
        client.sync();
        QCOMPARE(read(server, &MiniCompositor::inhibitors), 1);
    }

  private:
    static void bindSurface(Client& client) {
        static const wl_registry_listener listener = {
            .global =
                [](void* data, wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t /*version*/) {
                    auto& c = *static_cast<Client*>(data);
                    if (std::string_view(interface) == wl_compositor_interface.name)
                        c.compositor = static_cast<wl_compositor*>(
                            wl_registry_bind(registry, name, &wl_compositor_interface, 4));
                },
            .global_remove = [](void*, wl_registry*, uint32_t) {},
        };
        wl_registry* registry = wl_display_get_registry(client.display);
        wl_registry_add_listener(registry, &listener, &client);
        wl_display_roundtrip(client.display);
        wl_registry_destroy(registry);
        QVERIFY(client.compositor != nullptr);
        client.surface = wl_compositor_create_surface(client.compositor);
    }
};

QTEST_GUILESS_MAIN(WlrootsTest)
#include "wlroots_test.moc"
