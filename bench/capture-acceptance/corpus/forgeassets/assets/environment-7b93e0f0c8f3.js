/* environment-7b93e0f0c8f3: bundle runtime */ (self.webpackChunk=self.webpackChunk||[]).push([['environment-7b93e0f0c8f3'],{}]);
