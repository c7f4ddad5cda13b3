// The editor's side of the article page. It runs in a world of its own: the page's own
// scripts never run, and nothing here is visible to the page.
(function () {
    'use strict';
    if (window.scrivel)
        return;

    let bridge = null;
    let changes = 0;

    function changed() {
        ++changes;
        if (bridge)
            bridge.changed(changes);
    }

    // Commands act on the selection; one outside the body goes to the body's end first.
    function selectionInBody() {
        const body = document.body;
        const selection = window.getSelection();
        if (selection.rangeCount && body.contains(selection.anchorNode))
            return;
        const range = document.createRange();
        range.selectNodeContents(body);
        range.collapse(false);
        selection.removeAllRanges();
        selection.addRange(range);
    }

    window.scrivel = {
        ready: function () {
            return !!document.body && document.body.isContentEditable;
        },
        exec: function (command, value) {
            if (!document.body)
                return false;
            selectionInBody();
            return document.execCommand(command, false, value === undefined ? null : value);
        },
        changes: function () {
            return changes;
        },
        serialize: function () {
            return {
                body: document.body ? document.body.innerHTML : '',
                head: document.head ? document.head.innerHTML : '',
                changes: changes,
            };
        },
    };

    if (document.body)
        document.body.contentEditable = 'true';
    document.addEventListener('input', changed, true);
    if (typeof QWebChannel !== 'undefined' && window.qt && qt.webChannelTransport) {
        new QWebChannel(qt.webChannelTransport, function (channel) {
            bridge = channel.objects.scrivel;
            if (changes)
                bridge.changed(changes);
        });
    }
})();
