/* reader bundle */ window.__reader = {ready: true};
