/* site stub: queues page code until the main bundle is ready */
window.StackExchange = window.StackExchange || { ready: function (f) { document.addEventListener('DOMContentLoaded', function () { try { f(); } catch (e) {} }); }, question: { init: function () {} } };
